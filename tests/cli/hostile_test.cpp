// Hostile runs: names that clash, templates with errors, generator programs
// that crash, run away or are stopped, a disk that is full. Each row says what
// the folder holds before, how vorn ends, and exactly which files are left
// (hidden ones and the private folders of the runs too): a run never writes
// over its template, never leaves a final source it did not finish, and
// leaves every file it did not write as it was, time stamp and all.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
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

// The same, slowly: a line a millisecond, so that it is still running, with
// little written, when a time limit or a signal comes.
const std::string Slow =
    "##MSTART\n#include <unistd.h>\n##MEND\n"
    "##{ FILE *f = fopen(\"started\", \"w\"); fprintf(f, \"%d\\n\", (int)getpgrp()); fclose(f); }\n"
    "##for (;;) {\nx\n##fflush(stdcom); usleep(1000);\n##}\n";

// A generator program that writes as fast as it can, forever.
const std::string Runaway =
    "##for (;;) {\n" + std::string(120, 'x') + "\n##}\n";

// A final source of about 400 KB.
const std::string Big = "##for (int i = 0; i < 20000; i++) {\nint a##i## = ##i##;\n##}\n";

// The file system of the folder "full": the test's own, or one of 64 KiB
// mounted there, empty or filled before the run.
enum Disk { Ordinary, Small, Full };

struct HostileRun {
  const char *what;
  std::vector<std::string> args;
  std::map<std::string, std::string> files;  // before the run; "->x" makes a link to x
  int status;                                // exit status, or 128 + N for signal N
  std::string err;                           // a pattern standard error must match whole
  std::set<std::string> after;               // every file in the folder afterwards
  int stop = 0;                              // this signal once the generator runs
  Disk disk = Ordinary;
  std::string out = "run.out";               // where standard output goes
  bool closedErr = false;                    // standard error closed (a build tool that went away)
};

const std::string Crc = "/* crc */\nint crc;\n";

const HostileRun Rows[] = {
    {"-o names the template", {"-ocrc", "crc.C"}, {{"crc.C", Crc}}, 1,
     "vorn: error: the template \"crc.C\" and the final source \"crc.C\" are the same file; "
     "nothing was written\n", {"crc.C"}},
    {"./crc.C against crc.C", {"-o./crc", "crc.C"}, {{"crc.C", Crc}}, 1,
     ".*the template \"crc.C\" and the final source \"./crc.C\" are the same file.*", {"crc.C"}},
    {"through a folder's ..", {"-osub/../crc", "crc.C"}, {{"crc.C", Crc}, {"sub/keep", ""}}, 1,
     ".*the final source \"sub/../crc.C\".*", {"crc.C", "sub", "sub/keep"}},
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
     "t.C:2: error: cannot open include file \"gone.h\".*\n",
     {"t.C", "t_C.C", "t_M.mac"}},  // a mistake of the template: no compile, no program
    {"$3 without its word", {"-q", "-ct", "-M", "a", "b"}, {{"t.C", "int ring_tag = $3;\n"}}, 1,
     "t.C:1: error: \\$3 used, but -M gives 2 words\n", {"t.C", "t_C.C", "t_M.mac"}},
    {"a block not closed", {"-q", "t.C"}, {{"t.C", "##MSTART\nint v;\n"}}, 1,
     "t.C:1: error: block started by ##MSTART is not closed.*\n", {"t.C", "t_C.C", "t_M.mac"}},
    {"##MEND alone", {"-q", "t.C"}, {{"t.C", "a\n##MEND\n"}}, 1,
     "t.C:2: error: ##MEND without ##MSTART\n", {"t.C", "t_C.C", "t_M.mac"}},
    {"an empty expression", {"-q", "t.C"}, {{"t.C", "a ####\n"}}, 1,
     "t.C:1: error: empty embedded expression\n", {"t.C", "t_C.C", "t_M.mac"}},
    {"a mistake of the template over an earlier run's final source", {"-q", "t.C"},
     {{"t.C", "a ####\n"}, {"t_new.C", "old\n"}}, 1,
     "t.C:1: error: empty embedded expression\nvorn: removed the final source t_new.C of a failed run\n",
     {"t.C", "t_C.C", "t_M.mac"}},
    {"an unknown option", {"-q", "-z", "t.C"}, {{"t.C", "a\n"}}, 1,
     "vorn: error: unrecognized option -z\nvorn: removed.*\n",
     {"t.C", "t_C.C", "t_M.mac", "t_C.exe"}},
    {"a crashing generator", {"t.C"}, {{"t.C", "x\n##fflush(stdcom); abort();\n"}}, 1,
     "Print pass failed: terminated by signal 6 .*\nvorn: removed the partial final source t_new.C\n",
     {"t.C", "t_C.C", "t_M.mac", "t_C.exe"}},
    // The limit covers the compile too: one of far less than 4 s, then a generator that sleeps.
    {"a generator past --timeout", {"-q", "--timeout=4", "t.C"}, {{"t.C", Slow}}, 1,
     "vorn: error: the generator program t_C.exe ran longer than 4 s and was stopped; its partial "
     "final source t_new.C was removed\n",
     {"t.C", "t_C.C", "t_M.mac", "t_C.exe", "started"}},
    {"a generator stopped by SIGTERM", {"-q", "--timeout=120", "t.C"}, {{"t.C", Endless}},
     128 + SIGTERM, "vorn: error: stopped by SIGTERM\nvorn: removed the partial final source t_new.C\n",
     {"t.C", "t_C.C", "t_M.mac", "t_C.exe", "started"}, SIGTERM},
    {"SIGINT with standard error closed", {"-q", "--output=t.c", "t.C"}, {{"t.C", Endless}},
     128 + SIGINT, "", {"t.C", "started"}, SIGINT, Ordinary, "run.out", true},
    {"a runaway generator stopped by the default bound", {"-q", "t.C"}, {{"t.C", Runaway}}, 1,
     "vorn: error: the generator program t_C.exe wrote more than 1 GiB, the bound of the final "
     "source, and was stopped; its partial final source t_new.C was removed; --max-output=SIZE "
     "raises the bound \\(0 for none\\)\n", {"t.C", "t_C.C", "t_M.mac", "t_C.exe"}},
    {"--max-output", {"-q", "--max-output=64K", "t.C"}, {{"t.C", Runaway}}, 1,
     "vorn: error: the generator program t_C.exe wrote more than 64 KiB, .*\n",
     {"t.C", "t_C.C", "t_M.mac", "t_C.exe"}},
    {"a size --max-output does not take", {"-q", "--max-output=1x", "t.C"}, {{"t.C", "a\n"}}, 1,
     "vorn: error: --max-output takes a size in bytes, .* not \"1x\"\n", {"t.C"}},
    {"a mistyped long option", {"-q", "--outptu=sq.c", "t.C"}, {{"t.C", "a\n"}}, 1,
     "vorn: error: unrecognized option --outptu=sq.c; did you mean --output\\?\n", {"t.C"}},
    {"a partial final source of a killed run", {"-q", "--output=t.c", "t.C"},
     {{"t.C", "a\n"}, {".t.c.vorn-k1ll3d", "cut sh"}, {".u.c.vorn-k1ll3d", "another output's"}}, 0,
     "", {"t.C", "t.c", ".u.c.vorn-k1ll3d"}},
    {"--output on a full disk", {"-q", "--output=full/big.c", "big.C"},
     {{"big.C", Big}, {"full/big.c", "old\n"}}, 1,
     "vorn: error: cannot write the final source full/big.c: No space left on device\n",
     {"big.C", "full", "full/big.c"}, 0, Small},
    {"macro code that returns early, on a full disk", {"-q", "--output=full/big.c", "big.C"},
     {{"big.C", Big + "##return 0;\nnot reached\n"}}, 1,
     "vorn: error: cannot write the final source full/big.c: No space left on device\n",
     {"big.C", "full"}, 0, Small},
    {"-o on a full disk", {"-q", "-ofull/big", "big.C"}, {{"big.C", Big}}, 1,
     "vorn: error: cannot write the final source full/big.C: No space left on device; its partial "
     "final source full/big.C was removed\n",
     {"big.C", "big_C.C", "big_M.mac", "big_C.exe", "full"}, 0, Small},
    {"--output=- into a full device", {"-q", "--output=-", "big.C"}, {{"big.C", Big}}, 1,
     "vorn: error: cannot write the final source to standard output: No space left on device\n",
     {"big.C"}, 0, Ordinary, "/dev/full"},
    {"the dependency file on a full disk", {"-q", "--depfile=full/big.d", "--output=big.c", "big.C"},
     {{"big.C", Big}}, 1, "vorn: error: cannot write the dependency file full/big.d: No space left on device\n",
     {"big.C", "full", "full/filler"}, 0, Full},
    {"the generated files on a full disk", {"-q", "-mfull/gen", "big.C"}, {{"big.C", Big}}, 1,
     "vorn: error: cannot write the macro file full/gen.mac: No space left on device\n",
     {"big.C", "full", "full/filler"}, 0, Full},
    {"a misspelled template", {"sqaures.C"}, {{"squares.C", Crc}}, 1,
     "Missing input file\nvorn: error: cannot open template \"sqaures.C\": No such file or directory\n",
     {"squares.C", "sqaures_C.C", "sqaures_M.mac"}},
    {"a misspelled template, quiet", {"-q", "sqaures.C"}, {{"squares.C", Crc}}, 1,
     "vorn: error: cannot open template \"sqaures.C\": No such file or directory\n",
     {"squares.C", "sqaures_C.C", "sqaures_M.mac"}},
};

// Mounts a file system of 64 KiB on "full", filled with the file "full/filler"
// when disk is Full; false, with the reason printed, where this machine does not let it.
bool MountSmallDisk(Disk disk) {
  fs::create_directories("full");
  if (Shell("mount -t tmpfs -o size=64k tmpfs full 2>mount.err") != 0) {
    std::cout << "skipped: a small file system cannot be mounted here: " << ReadFile("mount.err");
    fs::remove("mount.err");
    return false;
  }
  fs::remove("mount.err");
  if (disk == Full) Shell("head -c 1048576 /dev/zero >full/filler 2>/dev/null");
  return true;
}

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

// Every file and folder below the working directory, hidden ones too, but
// for the run's own output files and the folder "tmp" (the runs' TMPDIR),
// whose contents count.
std::set<std::string> Left() {
  std::set<std::string> names;
  for (const fs::directory_entry &entry : fs::recursive_directory_iterator("."))
    names.insert(entry.path().lexically_relative("."));
  for (const char *own : {"run.out", "run.err", "tmp"}) names.erase(own);
  return names;
}

// The modification time of path, in nanoseconds; -1 when there is no such file.
long long Stamp(const std::string &path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return -1;
  return st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
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

// Starts vorn in a group of its own, bounded in file size as RunVorn bounds it,
// its standard error in run.err or closed; its pid.
pid_t StartVorn(const std::vector<std::string> &args, bool closedErr = false) {
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    struct rlimit limit = {TestFileLimit, TestFileLimit};
    setrlimit(RLIMIT_FSIZE, &limit);
    if (!freopen("/dev/null", "r", stdin) || !freopen("run.out", "w", stdout)) _exit(126);
    if (closedErr ? close(STDERR_FILENO) != 0 : !freopen("run.err", "w", stderr)) _exit(126);
    std::vector<char *> argv{const_cast<char *>(VORN_BIN)};
    for (const std::string &arg : args) argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    execv(VORN_BIN, argv.data());
    _exit(127);
  }
  return pid;
}

// Sends signal to vorn (pid) once its generator has started ("started" appears),
// and checks that nothing of the run goes on; vorn's wait status.
int StopOnceStarted(pid_t pid, int signal) {
  bool started = Appears("started", 60);
  pid_t generatorGroup = started ? std::stoi(ReadFile("started")) : 0;
  kill(pid, signal);
  int status = 0;
  for (int i = 0; i < 600 && waitpid(pid, &status, WNOHANG) == 0; i++)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  if (kill(-pid, 0) == 0) {  // vorn did not end: end it and its generator, and fail
    kill(-pid, SIGKILL);
    if (generatorGroup > 0) kill(-generatorGroup, SIGKILL);
    waitpid(pid, &status, 0);
    ADD_FAILURE() << "vorn did not end on signal " << signal;
  }
  EXPECT_TRUE(started) << "the generator program never started";
  EXPECT_NE(generatorGroup, pid) << "the generator program ran in vorn's own group";
  if (generatorGroup > 0 && GroupLingers(generatorGroup, 10)) {
    kill(-generatorGroup, SIGKILL);
    ADD_FAILURE() << "processes of the generator's group were left running";
  }
  return status;
}

// The hidden partial files in the working directory.
std::set<std::string> Partials() {
  std::set<std::string> names;
  for (const fs::directory_entry &entry : fs::directory_iterator("."))
    if (entry.path().filename().string().find(".vorn-") != std::string::npos)
      names.insert(entry.path().filename());
  return names;
}

// The runs' private folders go to "tmp" in the test's folder, where Left sees them.
class PrivateTmp {
 public:
  PrivateTmp() : saved_(getenv("TMPDIR") ? getenv("TMPDIR") : "") {
    fs::create_directories("tmp");
    setenv("TMPDIR", (fs::current_path() / "tmp").c_str(), 1);
  }
  ~PrivateTmp() {
    if (saved_.empty()) unsetenv("TMPDIR");
    else setenv("TMPDIR", saved_.c_str(), 1);
  }
 private:
  std::string saved_;
};

}  // namespace

TEST(Hostile, RunsNeverLoseOrFakeAFile) {
  for (const HostileRun &row : Rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    PrivateTmp tmp;
    if (row.disk != Ordinary && !MountSmallDisk(row.disk)) continue;
    Lay(row.files);
    std::map<std::string, long long> stamps;
    for (const auto &[name, text] : row.files) stamps[name] = Stamp(name);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));  // a write now changes the time stamp
    RunResult r;
    if (row.stop != 0) {
      int status = StopOnceStarted(StartVorn(row.args, row.closedErr), row.stop);
      r.status = WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
      r.err = row.closedErr ? "" : ReadFile("run.err");
    } else {
      r = RunVorn(row.args, "", row.out);
    }
    EXPECT_EQ(r.status, row.status) << r.err;
    // ".*" in a pattern may cross line ends.
    std::string pattern = std::regex_replace(row.err, std::regex("\\.\\*"), "[\\s\\S]*");
    EXPECT_TRUE(std::regex_match(r.err, std::regex(pattern))) << r.err;
    EXPECT_EQ(Left(), row.after);
    for (const auto &[name, text] : row.files) {
      if (text.rfind("->", 0) == 0 || !row.after.count(name)) continue;
      EXPECT_EQ(ReadFile(name), text) << name << " changed";
      EXPECT_EQ(Stamp(name), stamps[name]) << name << " was written";
    }
    if (row.disk != Ordinary) Shell("umount full");
  }
}

// A vorn killed outright leaves its partial final source; the next run that
// writes the same output removes it, but never the partial file of a run
// that is still going.
TEST(Hostile, PartialFilesOfKilledRunsGoThoseOfLiveRunsStay) {
  TempDir dir;
  PrivateTmp tmp;  // the killed run leaves its private folder there
  WriteFile("t.C", Slow);
  WriteFile("quick.C", "q\n");
  pid_t killed = StartVorn({"-q", "--timeout=120", "--output=t.c", "t.C"});
  ASSERT_TRUE(Appears("started", 60));
  pid_t group = std::stoi(ReadFile("started"));
  kill(killed, SIGKILL);
  waitpid(killed, nullptr, 0);
  EXPECT_FALSE(GroupLingers(group, 10)) << "the generator outlived vorn";
  kill(-group, SIGKILL);
  std::set<std::string> stale = Partials();
  ASSERT_EQ(stale.size(), 1u);
  fs::remove("started");
  pid_t live = StartVorn({"-q", "--timeout=120", "--output=t.c", "t.C"});
  ASSERT_TRUE(Appears("started", 60));
  std::set<std::string> going = Partials();
  EXPECT_EQ(going.size(), 1u);
  EXPECT_NE(going, stale) << "the killed run's partial file is still there";
  // Another run to the same output, while the first is still going.
  RunResult r = RunVorn({"-q", "--output=t.c", "quick.C"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile("t.c"), "#line 1 \"quick.C\"\nq\n");
  EXPECT_EQ(Partials(), going);
  int status = StopOnceStarted(live, SIGTERM);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_EQ(Partials(), std::set<std::string>());
}

// A template the scanner cannot read ends the run at once, with status 2:
// its partial final source and private folder go with it.
TEST(Hostile, AnUnreadableTemplateLeavesNothing) {
  TempDir dir;
  PrivateTmp tmp;
  fs::create_directories("folder");
  EXPECT_EQ(Shell(std::string(VORN_BIN) + " -q --output=x.c - <folder 2>run.err"), 2);
  EXPECT_EQ(ReadFile("run.err"), "input in flex scanner failed\n");
  EXPECT_EQ(Left(), std::set<std::string>{"folder"});
}
