// The command line of a build: --output names the final source exactly or
// sends it to standard output, a failed run leaves the output as it was, the
// intermediate files wait in a private folder under TMPDIR, "-" reads the
// template from standard input, --check compares instead of writing, and
// --compiler chooses the compiler. Each row runs vorn once in a fresh folder
// with TMPDIR pointed at its "tmp" folder.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "harness.h"

namespace fs = std::filesystem;

namespace {

const std::string T = "int a = ##1 + 2##;\nint b;\n";
const std::string Final = "#line 1 \"t.C\"\nint a = 3;\nint b;\n";

struct OutputRun {
  const char *what;
  std::map<std::string, std::string> files;  // before the run
  std::vector<std::string> args;
  int status;
  std::map<std::string, std::string> expect;  // files and their whole text afterwards
  std::set<std::string> after;                // every file in the folder afterwards (less tmp)
  std::string out;                            // standard output, whole
  std::string errHas;                         // a piece of standard error
  int kept = 0;                               // folders left in TMPDIR
  std::string input;                          // standard input
};

const OutputRun Rows[] = {
    {"a name with an extension", {{"t.C", T}}, {"-q", "--output=table.c", "t.C"}, 0,
     {{"table.c", Final}}, {"t.C", "table.c"}},
    {"a name without one", {{"t.C", T}}, {"-q", "--output=table", "t.C"}, 0, {{"table", Final}},
     {"t.C", "table"}},
    {"a header in a folder", {{"t.C", T}, {"gen/keep", ""}}, {"-q", "--output=gen/ops.h", "t.C"}, 0,
     {{"gen/ops.h", Final}}, {"t.C", "gen"}},
    {"standard output", {{"t.C", T}}, {"-q", "--output=-", "t.C"}, 0, {}, {"t.C"}, Final},
    {"standard output, not quiet: Vorn's own words and macro code's printf go to standard error",
     {{"t.C", "##printf(\"noise\\n\");\nx\n"}}, {"--output=-", "t.C"}, 0, {}, {"t.C"},
     "#line 2 \"t.C\"\nx\n", "noise\n"},
    {"a template error keeps the old output", {{"t.C", "x $3\n"}, {"table.c", "old\n"}},
     {"-q", "--output=table.c", "t.C"}, 1, {{"table.c", "old\n"}}, {"t.C", "table.c"}, "",
     "t.C:1: error: $3 used"},
    {"a failed generator keeps the old output, and its files", {{"t.C", "x\n##exit(3);\n"}, {"table.c", "old\n"}},
     {"-q", "--output=table.c", "t.C"}, 1, {{"table.c", "old\n"}}, {"t.C", "table.c"}, "",
     "failed: exit status 3", 1},
    {"a failed compile leaves nothing behind, and names no file of it", {{"t.C", "##int x = ;\n"}},
     {"-q", "--output=table.c", "t.C"}, 1, {}, {"t.C"}, "",
     "vorn: error: compiling the generator program of t.C failed: exit status 1\n", 0},
    {"nothing of a failed run reaches standard output", {{"t.C", "x\n##exit(3);\n"}},
     {"-q", "--output=-", "t.C"}, 1, {}, {"t.C"}, "", "exit status 3", 1},
    {"standard input with an include", {{"p.h", "b\n"}}, {"-q", "--output=-", "-"}, 0, {}, {"p.h"},
     "#line 1 \"<stdin>\"\na\n#line 1 \"p.h\"\nb\n", "", 0, "a\n##include \"p.h\"\n"},
    {"standard input, designed names", {}, {"-q", "-"}, 0, {{"stdin_new.C", "#line 1 \"<stdin>\"\ns\n"}},
     {"stdin_C.C", "stdin_M.mac", "stdin_C.exe", "stdin_new.C"}, "", "", 0, "s\n"},
    {"check, equal", {{"t.C", T}, {"table.c", Final}}, {"-q", "--check", "--output=table.c", "t.C"}, 0,
     {{"table.c", Final}}, {"t.C", "table.c"}},
    {"check, different", {{"t.C", T}, {"table.c", "#line 1 \"t.C\"\nint a = 4;\nint b;\n"}},
     {"-q", "--check", "--output=table.c", "t.C"}, 3,
     {{"table.c", "#line 1 \"t.C\"\nint a = 4;\nint b;\n"}}, {"t.C", "table.c"}, "",
     "vorn: check: table.c differs from what t.C generates, first at line 2:\n"
     "  table.c:2: int a = 4;\n  generated:2: int a = 3;\n"},
    {"check, missing", {{"t.C", T}}, {"-q", "--check", "--output=table.c", "t.C"}, 3, {}, {"t.C"}, "",
     "vorn: check: table.c is missing"},
    {"check, a template error", {{"t.C", "$3\n"}, {"table.c", "\n"}},
     {"-q", "--check", "--output=table.c", "t.C"}, 1, {}, {"t.C", "table.c"}, "", "error: $3 used"},
    {"check needs a file", {{"t.C", T}}, {"-q", "--check", "t.C"}, 1, {}, {"t.C"}, "",
     "vorn: error: --check compares with the file named by --output=FILE"},
    {"--save-temps keeps them beside the template", {{"t.C", T}},
     {"-q", "--save-temps", "--output=table.c", "t.C"}, 0, {{"table.c", Final}},
     {"t.C", "table.c", "t_C.C", "t_M.mac", "t_C.exe", "t_C.dat"}},
    {"--save-temps=DIR keeps them there", {{"t.C", T}},
     {"-q", "--save-temps=keep", "--output=table.c", "t.C"}, 0, {{"table.c", Final}},
     {"t.C", "table.c", "keep"}},
    {"-m still names the generator program", {{"t.C", T}}, {"-q", "-mgen", "--output=table.c", "t.C"}, 0,
     {{"table.c", Final}}, {"t.C", "table.c", "gen.C", "gen.mac", "gen.dat"}},
    {"the output is the template", {{"t.C", T}}, {"-q", "--output=./t.C", "t.C"}, 1, {{"t.C", T}}, {"t.C"},
     "", "the template \"t.C\" and the output \"./t.C\" are the same file"},
    {"--compiler by name", {{"t.C", T}}, {"-q", "--compiler=g++", "--output=table.c", "t.C"}, 0,
     {{"table.c", Final}}, {"t.C", "table.c"}},
    {"--compiler not found", {{"t.C", T}}, {"-q", "--compiler=no-such-cc", "--output=table.c", "t.C"}, 1,
     {}, {"t.C"}, "", "vorn: error: the compiler \"no-such-cc\" was not found"},
    {"compiler.cfg replaces --compiler", {{"t.C", T},
      {"compiler.cfg", "#GCC SRC=C EXE=exe\nCOMPILER=" + std::string(VORN_HOST_GCC) +
                           " SRC EXE\nLINE=gcc %s -o %s\n"}},
     {"-q", "--compiler=/bin/false", "--output=table.c", "t.C"}, 0, {{"table.c", Final}},
     {"t.C", "table.c", "compiler.cfg"}},
};

std::set<std::string> Left() {
  std::set<std::string> names;
  for (const fs::directory_entry &entry : fs::directory_iterator("."))
    names.insert(entry.path().filename());
  for (const char *ours : {"run.out", "run.err", "run.in", "tmp"}) names.erase(ours);
  return names;
}

int FoldersIn(const std::string &dir) {
  int n = 0;
  for (const fs::directory_entry &entry : fs::directory_iterator(dir)) n += entry.is_directory();
  return n;
}

// Runs vorn with TMPDIR in the working directory's "tmp".
RunResult RunWithTmp(const std::vector<std::string> &args, const std::string &input = "") {
  fs::create_directories("tmp");
  setenv("TMPDIR", (fs::current_path() / "tmp").c_str(), 1);
  RunResult r = RunVorn(args, input);
  unsetenv("TMPDIR");
  return r;
}

time_t ModifiedAt(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? st.st_mtime : -1;
}

}  // namespace

TEST(Output, CommandLinesOfABuild) {
  for (const OutputRun &row : Rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    for (const auto &[name, text] : row.files) {
      if (fs::path(name).has_parent_path()) fs::create_directories(fs::path(name).parent_path());
      WriteFile(name, text);
    }
    RunResult r = RunWithTmp(row.args, row.input);
    EXPECT_EQ(r.status, row.status) << r.err;
    EXPECT_EQ(r.out, row.out);
    EXPECT_NE(r.err.find(row.errHas), std::string::npos) << r.err;
    if (row.status == 0 && std::string(row.what).find("not quiet") == std::string::npos)
      EXPECT_EQ(r.err, "");
    for (const auto &[name, text] : row.expect) EXPECT_EQ(ReadFile(name), text) << name;
    EXPECT_EQ(Left(), row.after);
    EXPECT_EQ(FoldersIn("tmp"), row.kept);
  }
}

TEST(Output, SavedTempsShowTheFormOfTheGeneratorProgram) {
  TempDir dir;
  WriteFile("t.C", T);
  // --output writes the compact form unless told --no-compact; both give the same final source.
  ASSERT_EQ(RunWithTmp({"-q", "--save-temps=c", "--output=c.c", "t.C"}).status, 0);
  ASSERT_EQ(RunWithTmp({"-q", "--save-temps=d", "--no-compact", "--output=d.c", "t.C"}).status, 0);
  EXPECT_NE(ReadFile("c/t_C.C").find("_vs("), std::string::npos);
  EXPECT_EQ(ReadFile("d/t_C.C").find("_vs("), std::string::npos);
  EXPECT_EQ(ReadFile("c.c"), ReadFile("d.c"));
  // --save-temps=DIR without --output puts the designed names in DIR, which it makes.
  ASSERT_EQ(RunWithTmp({"-q", "--save-temps=e", "t.C"}).status, 0);
  EXPECT_NE(ReadFile("e/t_C.C").find("stdcom = fopen(\"t_new.C\",\"w\");"), std::string::npos);
  EXPECT_EQ(ReadFile("t_new.C"), ReadFile("d.c"));
  // A run without --output keeps the designed form and names.
  ASSERT_EQ(RunWithTmp({"-q", "t.C"}).status, 0);
  EXPECT_EQ(ReadFile("t_C.C").find("fwrite("), std::string::npos);
}

TEST(Output, AnUnchangedOutputKeepsItsTimeStamp) {
  TempDir dir;
  WriteFile("t.C", T);
  ASSERT_EQ(RunWithTmp({"-q", "--output=table.c", "t.C"}).status, 0);
  struct utimbuf old = {946684800, 946684800};  // 2000-01-01
  ASSERT_EQ(utime("table.c", &old), 0);
  ASSERT_EQ(RunWithTmp({"-q", "--output=table.c", "t.C"}).status, 0);
  EXPECT_EQ(ModifiedAt("table.c"), 946684800);
  WriteFile("t.C", "int a = ##2 + 2##;\n");
  ASSERT_EQ(RunWithTmp({"-q", "--output=table.c", "t.C"}).status, 0);
  EXPECT_NE(ModifiedAt("table.c"), 946684800);
  EXPECT_EQ(ReadFile("table.c"), "#line 1 \"t.C\"\nint a = 4;\n");
  struct stat st;
  ASSERT_EQ(stat("table.c", &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);  // under the usual umask 022, as any new file
}

// Outputs larger than one piece of the copy and the comparison (64 KiB).
TEST(Output, LargeOutputsCompareAndCopyWhole) {
  TempDir dir;
  std::string text;
  for (int i = 0; text.size() < 300000; i++) text += "int v" + std::to_string(i) + " = " + std::to_string(i) + ";\n";
  WriteFile("t.C", text);
  const std::string final = "#line 1 \"t.C\"\n" + text;
  RunResult r = RunWithTmp({"-q", "--output=-", "t.C"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, final);
  ASSERT_EQ(RunWithTmp({"-q", "--output=big.c", "t.C"}).status, 0);
  EXPECT_EQ(ReadFile("big.c"), final);
  EXPECT_EQ(RunWithTmp({"-q", "--check", "--output=big.c", "t.C"}).status, 0);
  // One byte changed past the first piece.
  std::string changed = final;
  changed[200000] = changed[200000] == '1' ? '2' : '1';
  WriteFile("big.c", changed);
  r = RunWithTmp({"-q", "--check", "--output=big.c", "t.C"});
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("differs from what t.C generates, first at line"), std::string::npos) << r.err;
  ASSERT_EQ(RunWithTmp({"-q", "--output=big.c", "t.C"}).status, 0);
  EXPECT_EQ(ReadFile("big.c"), final);
}

TEST(Output, RunsOfOneTemplateAtOnceShareNoFile) {
  TempDir dir;
  WriteFile("t.C", "##MSTART\n#include <unistd.h>\n##MEND\n##usleep(100000);\nint w = $1;\n");
  std::string script;
  for (int i = 0; i < 8; i++)
    script += std::string(VORN_BIN) + " -q --output=w" + std::to_string(i) + ".c -ct -M " +
              std::to_string(i) + " 2>err" + std::to_string(i) + " &\n";
  WriteFile("all.sh", script + "wait\n");
  ASSERT_EQ(Shell("timeout -s TERM 120 sh all.sh"), 0);
  for (int i = 0; i < 8; i++) {
    std::string n = std::to_string(i);
    EXPECT_EQ(ReadFile("w" + n + ".c"), "#line 5 \"t.C\"\nint w = " + n + ";\n");
    EXPECT_EQ(ReadFile("err" + n), "");
  }
}

TEST(Output, AnotherCompilerBuildsTheGeneratorProgram) {
  if (access("/usr/bin/clang++", X_OK) != 0) GTEST_SKIP() << "clang++ is not installed";
  TempDir dir;
  WriteFile("t.C", T + "##MSTART\n#include <math.h>\n##MEND\ndouble r = ##sqrt(2.0) * 0##;\n");
  for (const char *form : {"--compact", "--no-compact"}) {
    RunResult r = RunWithTmp({"-q", form, "--save-temps=k", "--compiler=clang++", "--output=c.c", "t.C"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile("c.c").rfind(Final, 0), 0u);
  }
  // The compiler's own messages come from clang.
  WriteFile("bad.C", "##int x = ;\n");
  RunResult r = RunWithTmp({"-q", "--compiler=clang++", "--output=b.c", "bad.C"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("bad.C:1:11: error: expected expression"), std::string::npos) << r.err;
}

// --file-prefix-map writes template names as asked, in the final source and in the generator
// program, with gcc's rule: a plain prefix of characters, the last map that fits. So --check
// run from the parent folder agrees with a final source made inside the template's folder.
TEST(Output, PrefixMapsNameTheTemplateAsAsked) {
  TempDir dir;
  ASSERT_EQ(Shell("mkdir ci"), 0);
  WriteFile("ci/sq.C", "##MSTART\nint sq(int v) { return v * v; }\n##MEND\n##int n = 3;\nint v = ##sq(n)##;\n");
  ASSERT_EQ(Shell(std::string("cd ci && ") + VORN_BIN + " -q --output=sq.c sq.C"), 0);
  EXPECT_EQ(RunVorn({"-q", "--check", "--output=ci/sq.c", "ci/sq.C"}).status, 3);
  EXPECT_EQ(RunVorn({"-q", "--check", "--file-prefix-map=ci/=", "--output=ci/sq.c", "ci/sq.C"}).status, 0);
  const struct {
    std::vector<std::string> maps;
    std::string name;
  } rows[] = {
      {{"--file-prefix-map=ci/=up/"}, "up/sq.C"},
      {{"--file-prefix-map=c=Z"}, "Zi/sq.C"},  // characters, not folders
      {{"--file-prefix-map=ci/=A/", "--file-prefix-map=ci/s=B/"}, "B/q.C"},
      {{"--file-prefix-map=ci/s=B/", "--file-prefix-map=ci/=A/"}, "A/sq.C"},
      {{"--file-prefix-map=other/=X/"}, "ci/sq.C"},
      {{"--file-prefix-map==../"}, "../ci/sq.C"},  // an empty OLD fits every name
  };
  for (const auto &row : rows) {
    std::vector<std::string> args = {"-q", "--save-temps=t", "--output=out.c"};
    args.insert(args.end(), row.maps.begin(), row.maps.end());
    args.push_back("ci/sq.C");
    RunResult r = RunVorn(args);
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string directive = "#line 5 \"" + row.name + "\"";
    EXPECT_EQ(ReadFile("out.c"), directive + "\nint v = 9;\n") << row.name;
    EXPECT_NE(ReadFile("t/sq_C.C").find(directive), std::string::npos) << row.name;
    EXPECT_NE(ReadFile("t/sq_M.mac").find("#line 2 \"" + row.name + "\""), std::string::npos) << row.name;
    if (row.name != "ci/sq.C")  // no name as spelled is left in the program
      EXPECT_EQ((ReadFile("t/sq_C.C") + ReadFile("t/sq_M.mac")).find("\"ci/sq.C"), std::string::npos);
  }
  RunResult bad = RunVorn({"-q", "--file-prefix-map=noequals", "ci/sq.C"});
  EXPECT_EQ(bad.status, 1);
  EXPECT_NE(bad.err.find("--file-prefix-map takes OLD=NEW"), std::string::npos) << bad.err;
}
