// Hostile runs: names that clash, templates with errors, generator programs
// that crash, run away or are stopped. Each row says what the folder holds
// before, how vorn ends, and exactly which files are left: a run never
// writes over its template and never leaves a final source it did not finish.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <thread>

#include "harness.h"

namespace fs = std::filesystem;

namespace {

// A generator program that never ends; it first notes its process group in
// "started" and leaves a process of its own running in that group.
const std::string Endless =
    "##MSTART\n#include <unistd.h>\n##MEND\n"
    "##{ FILE *f = fopen(\"started\", \"w\"); fprintf(f, \"%d\\n\", (int)getpgrp()); fclose(f); }\n"
    "##if (system(\"sleep 300 &\") != 0) return 1;\n"
    "##for (;;) {\nx\n##}\n";

struct HostileRun {
  const char *what;
  std::vector<std::string> args;
  std::map<std::string, std::string> files;  // before the run; "->x" makes a link to x
  int status;                                // exit status, or 128 + N for signal N
  std::string err;                           // a pattern standard error must match whole
  std::set<std::string> after;               // every file in the folder afterwards
  bool stop = false;                         // SIGTERM once the generator runs
};

const std::string Crc = "/* crc */\nint crc;\n";

const HostileRun Rows[] = {
    {"-o names the template", {"-ocrc", "crc.C"}, {{"crc.C", Crc}}, 1,
     "vorn: error: the template \"crc.C\" and the final source \"crc.C\" are the same file; "
     "nothing was written\n", {"crc.C"}},
    {"./crc.C against crc.C", {"-o./crc", "crc.C"}, {{"crc.C", Crc}}, 1,
     ".*the template \"crc.C\" and the final source \"./crc.C\" are the same file.*", {"crc.C"}},
    {"through a folder's ..", {"-osub/../crc", "crc.C"}, {{"crc.C", Crc}, {"sub/keep", ""}}, 1,
     ".*the final source \"sub/../crc.C\".*", {"crc.C", "sub"}},
    {"a link to the template", {"-ocrc", "link.C"}, {{"crc.C", Crc}, {"link.C", "->crc.C"}}, 1,
     ".*the template \"link.C\" and the final source \"crc.C\".*", {"crc.C", "link.C"}},
    {"-c names the same", {"-ccrc", "-ocrc"}, {{"crc.C", Crc}}, 1, ".*the template \"crc.C\".*",
     {"crc.C"}},
    {"-m names the template", {"-mcrc", "crc.C"}, {{"crc.C", Crc}}, 1,
     ".*the template \"crc.C\" and the code file \"crc.C\".*", {"crc.C"}},
    {"-m names the template as macro file", {"-mt", "t.mac"}, {{"t.mac", Crc}}, 1,
     ".*the template \"t.mac\" and the macro file \"t.mac\".*", {"t.mac"}},
    {"-O names the template", {"-Ocrc", "crc.exe"}, {{"crc.exe", Crc}}, 1,
     ".*the template \"crc.exe\" and the executable \"crc.exe\".*", {"crc.exe"}},
    {"-o with -m", {"-osum", "-msum", "crc.C"}, {{"crc.C", Crc}}, 1,
     ".*the code file \"sum.C\" and the final source \"sum.C\".*", {"crc.C"}},
    {"-o with -m, the file there already", {"-osum", "-msum", "crc.C"},
     {{"crc.C", Crc}, {"sum.C", "old\n"}}, 1, ".*the code file \"sum.C\".*", {"crc.C", "sum.C"}},
    {"--depfile names the template", {"--depfile=crc.C", "crc.C"}, {{"crc.C", Crc}}, 1,
     ".*the template \"crc.C\" and the dependency file \"crc.C\".*", {"crc.C"}},
    {"--depfile names the final source", {"--depfile=crc_new.C", "crc.C"}, {{"crc.C", Crc}}, 1,
     ".*the final source \"crc_new.C\" and the dependency file \"crc_new.C\".*", {"crc.C"}},
    {"names that do not clash", {"-osum", "-mgen", "crc.C"}, {{"crc.C", Crc}}, 0, "",
     {"crc.C", "gen.C", "gen.mac", "crc_C.exe", "sum.C"}},
    {"a missing include", {"-q", "t.C"}, {{"t.C", "a\n##include \"gone.h\"\n"}}, 1,
     "t.C:2: error: cannot open include file \"gone.h\".*\n"
     "vorn: removed the final source t_new.C of a failed run\n",
     {"t.C", "t_C.C", "t_M.mac", "t_C.exe"}},
    {"$3 without its word", {"-q", "-ct", "-M", "a", "b"}, {{"t.C", "int ring_tag = $3;\n"}}, 1,
     "t.C:1: error: \\$3 used, but -M gives 2 words\nvorn: removed.*\n",
     {"t.C", "t_C.C", "t_M.mac", "t_C.exe"}},
    {"a block not closed", {"-q", "t.C"}, {{"t.C", "##MSTART\nint v;\n"}}, 1,
     "t.C:1: error: block started by ##MSTART is not closed.*\nvorn: removed.*\n",
     {"t.C", "t_C.C", "t_M.mac", "t_C.exe"}},
    {"##MEND alone", {"-q", "t.C"}, {{"t.C", "a\n##MEND\n"}}, 1,
     "t.C:2: error: ##MEND without ##MSTART\nvorn: removed.*\n",
     {"t.C", "t_C.C", "t_M.mac", "t_C.exe"}},
    {"an empty expression", {"-q", "t.C"}, {{"t.C", "a ####\n"}}, 1,
     "t.C:1: error: empty embedded expression\nvorn: removed.*\n",
     {"t.C", "t_C.C", "t_M.mac", "t_C.exe"}},
    {"an unknown option", {"-q", "-z", "t.C"}, {{"t.C", "a\n"}}, 1,
     "vorn: error: unrecognized option -z\nvorn: removed.*\n",
     {"t.C", "t_C.C", "t_M.mac", "t_C.exe"}},
    {"a crashing generator", {"t.C"}, {{"t.C", "x\n##fflush(stdcom); abort();\n"}}, 1,
     "Print pass failed: terminated by signal 6 .*\nvorn: removed the partial final source t_new.C\n",
     {"t.C", "t_C.C", "t_M.mac", "t_C.exe"}},
    {"a generator past --timeout", {"-q", "--timeout=1", "t.C"}, {{"t.C", Endless}}, 1,
     "vorn: error: the generator program t_C.exe ran longer than 1 s and was stopped; its partial "
     "final source t_new.C was removed\n",
     {"t.C", "t_C.C", "t_M.mac", "t_C.exe", "started"}},
    {"a generator stopped by SIGTERM", {"-q", "--timeout=120", "t.C"}, {{"t.C", Endless}},
     128 + SIGTERM, "vorn: error: stopped by SIGTERM\nvorn: removed the partial final source t_new.C\n",
     {"t.C", "t_C.C", "t_M.mac", "t_C.exe", "started"}, true},
    {"a misspelled template", {"sqaures.C"}, {{"squares.C", Crc}}, 1,
     "Missing input file\nvorn: error: cannot open template \"sqaures.C\": No such file or directory\n",
     {"squares.C", "sqaures_C.C", "sqaures_M.mac"}},
    {"a misspelled template, quiet", {"-q", "sqaures.C"}, {{"squares.C", Crc}}, 1,
     "vorn: error: cannot open template \"sqaures.C\": No such file or directory\n",
     {"squares.C", "sqaures_C.C", "sqaures_M.mac"}},
};

void Lay(const std::map<std::string, std::string> &files) {
  for (const auto &[name, text] : files) {
    fs::path path(name);
    if (path.has_parent_path()) fs::create_directories(path.parent_path());
    if (text.rfind("->", 0) == 0)
      fs::create_symlink(text.substr(2), name);
    else
      WriteFile(name, text);
  }
}

std::set<std::string> Left() {
  std::set<std::string> names;
  for (const fs::directory_entry &entry : fs::directory_iterator("."))
    names.insert(entry.path().filename());
  names.erase("run.out");
  names.erase("run.err");
  return names;
}

// Waits up to seconds for path to appear.
bool Appears(const std::string &path, int seconds) {
  for (int i = 0; i < seconds * 20; i++) {
    if (fs::exists(path) && fs::file_size(path) > 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// 1 while any process of group is alive; waits up to seconds for it to empty.
bool GroupLingers(pid_t group, int seconds) {
  for (int i = 0; i < seconds * 20; i++) {
    if (kill(-group, 0) != 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// Runs vorn, sends it SIGTERM once its generator has started, and checks that
// nothing of the run goes on; vorn's wait status.
int RunAndStop(const std::vector<std::string> &args) {
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    if (!freopen("/dev/null", "r", stdin) || !freopen("run.out", "w", stdout) ||
        !freopen("run.err", "w", stderr))
      _exit(126);
    std::vector<char *> argv{const_cast<char *>(VORN_BIN)};
    for (const std::string &arg : args) argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    execv(VORN_BIN, argv.data());
    _exit(127);
  }
  bool started = Appears("started", 60);
  pid_t generatorGroup = started ? std::stoi(ReadFile("started")) : 0;
  kill(pid, SIGTERM);
  int status = 0;
  for (int i = 0; i < 600 && waitpid(pid, &status, WNOHANG) == 0; i++)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (kill(-pid, 0) == 0) {  // vorn did not end: end it and its generator, and fail
    kill(-pid, SIGKILL);
    if (generatorGroup > 0) kill(-generatorGroup, SIGKILL);
    waitpid(pid, &status, 0);
    ADD_FAILURE() << "vorn did not end on SIGTERM";
  }
  EXPECT_TRUE(started) << "the generator program never started";
  EXPECT_NE(generatorGroup, pid) << "the generator program ran in vorn's own group";
  if (generatorGroup > 0 && GroupLingers(generatorGroup, 10)) {
    kill(-generatorGroup, SIGKILL);
    ADD_FAILURE() << "processes of the generator's group were left running";
  }
  return status;
}

}  // namespace

TEST(Hostile, RunsNeverLoseOrFakeAFile) {
  for (const HostileRun &row : Rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    Lay(row.files);
    RunResult r;
    if (row.stop) {
      int status = RunAndStop(row.args);
      r.status = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
      r.err = ReadFile("run.err");
      r.out = ReadFile("run.out");
    } else {
      r = RunVorn(row.args);
    }
    EXPECT_EQ(r.status, row.status) << r.err;
    // ".*" in a pattern may cross line ends.
    std::string pattern = std::regex_replace(row.err, std::regex("\\.\\*"), "[\\s\\S]*");
    EXPECT_TRUE(std::regex_match(r.err, std::regex(pattern))) << r.err;
    EXPECT_EQ(Left(), row.after);
    for (const auto &[name, text] : row.files)
      if (text.rfind("->", 0) != 0 && name.find('/') == std::string::npos)
        EXPECT_EQ(ReadFile(name), text) << name << " changed";
  }
}
