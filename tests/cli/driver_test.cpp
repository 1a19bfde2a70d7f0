// Whole-program cases of the command line: the banner and usage text, option
// handling, the names a run derives, and the early ends with their statuses.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "harness.h"

static bool Exists(const std::string &path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

TEST(Driver, NoArgumentsPrintsBannerAndUsage) {
  TempDir dir;
  RunResult r = RunVorn({});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("Vorn version 1.0\nCompiled by GCC ver ", 0), 0u) << r.out;
  EXPECT_NE(r.out.find(" under Linux\nOn "), std::string::npos);
  EXPECT_NE(r.out.find("\nFormat: vorn -c[input file] -o[output file] -O[temporary macro C "
                       "executable step file] -m{temporary macro C file] -M {parameters for "
                       "macro executable step]\n"),
            std::string::npos);
}

// Each case: arguments, the input file to create, and the four names expected.
struct NamesCase {
  std::vector<std::string> args;
  std::string input, code, macro, exe, final;
};

TEST(Driver, DerivesNamesFromInputAndOptions) {
  const NamesCase cases[] = {
      {{"foo.C"}, "foo.C", "foo_C.C", "foo_M.mac", "foo_C.exe", "foo_new.C"},
      {{"-cfoo"}, "foo.C", "foo_C.C", "foo_M.mac", "foo_C.exe", "foo_new.C"},
      {{"-cfoo.c"}, "foo.c", "foo.c_C.C", "foo.c_M.mac", "foo.c_C.exe", "foo.c_new.C"},
      {{"-cfoo.cpp"}, "foo.cpp.C", "foo.cpp_C.C", "foo.cpp_M.mac", "foo.cpp_C.exe",
       "foo.cpp_new.C"},
      {{"-mgen", "-oout", "-Oexe", "foo.C"}, "foo.C", "gen.C", "gen.mac", "exe.exe", "out.C"},
      {{"foo.C", "-x"}, "foo.C", "foo_C.C", "foo_M.mac", "foo_C.exe", "foo_new.C"},
  };
  for (const NamesCase &c : cases) {
    TempDir dir;
    WriteFile(c.input, "int x;\n");
    RunResult r = RunVorn(c.args);
    EXPECT_EQ(r.status, 0) << c.args[0] << r.err;
    for (const std::string &name : {c.code, c.macro, c.exe, c.final})
      EXPECT_TRUE(Exists(name)) << c.args[0] << ": " << name;
    EXPECT_EQ(ReadFile(c.final), "#line 1 \"" + c.input + "\"\nint x;\n");
    EXPECT_EQ(r.err.find("Unrecognized"), std::string::npos) << r.err;
  }
}

TEST(Driver, UnrecognisedOptionIsReportedAndRunGoesOn) {
  TempDir dir;
  WriteFile("foo.C", "a\n");
  RunResult r = RunVorn({"-x", "-", "foo.C"});
  EXPECT_EQ(r.status, 1);  // the run goes on, but a build must not take it for a success
  EXPECT_EQ(r.err, "Unrecognized option -x\nUnrecognized option -\n");
  EXPECT_EQ(ReadFile("foo_new.C"), "#line 1 \"foo.C\"\na\n");
}

TEST(Driver, OptionLWithValueLeavesNoInputName) {
  TempDir dir;
  RunResult r = RunVorn({"-lfoo.C"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Missing input file Name\n");
  EXPECT_FALSE(Exists("foo_C.C"));
  EXPECT_FALSE(Exists("_C.C"));
}

TEST(Driver, MissingInputFileLeavesPrologueOnly) {
  TempDir dir;
  RunResult r = RunVorn({"nothere.C"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Missing input file\n");
  std::string code = ReadFile("nothere_C.C");
  EXPECT_EQ(code,
            "#include <stdio.h>\nFILE *stdcom;\n// C output file\n#include \"nothere_M.mac\"\n"
            "int main() {\nstdcom = fopen(\"nothere_new.C\",\"w\");\n");
  EXPECT_EQ(DropLines(ReadFile("nothere_M.mac"), MacroPrologueLines), "");
  EXPECT_FALSE(Exists("nothere_C.exe"));
}

TEST(Driver, UncreatableOutputFileEndsWithStatus1) {
  TempDir dir;
  WriteFile("foo.C", "a\n");
  RunResult r = RunVorn({"-mno/such/dir/gen", "foo.C"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Could not open macro file no/such/dir/gen.mac: : No such file or directory\n");
  // The macro file is tried first and stays created when the code file fails.
  Shell("mkdir gen.C");
  r = RunVorn({"-mgen", "foo.C"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Could not open code file gen.C: : Is a directory\n");
  EXPECT_TRUE(Exists("gen.mac"));
  EXPECT_EQ(ReadFile("gen.mac"), "");
}

TEST(Driver, MacroParametersFollowM) {
  TempDir dir;
  WriteFile("foo.C", "$1-$2-$3\n");
  RunResult r = RunVorn({"-cfoo", "-M", "a", "b c"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.err, "Invalid input argument used 3\nfoo.C:1: error: $3 used, but -M gives 2 words\n");
  EXPECT_EQ(ReadFile("foo_new.C"), "#line 1 \"foo.C\"\na-b c-\n");
}

TEST(Driver, EmptyInputGivesEmptyFinalSource) {
  TempDir dir;
  WriteFile("foo.C", "");
  RunResult r = RunVorn({"foo.C"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(Exists("foo_C.exe"));
  EXPECT_EQ(ReadFile("foo_new.C"), "");
}

TEST(Driver, HelpAndVersionPrintAndSucceed) {
  TempDir dir;
  RunResult help = RunVorn({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.rfind("Usage: vorn [options] <template>\n", 0), 0u) << help.out;
  for (const char *line : {"\n  --compact ", "\n  -q, --quiet ", "\n  --depfile=FILE ", "\n  -M <word>...",
                           "\nExit status: 0 ", "man vorn"})
    EXPECT_NE(help.out.find(line), std::string::npos) << line;
  RunResult version = RunVorn({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "Vorn version 1.0\n");
  // After the input name nothing is an option, so the run goes on, with a warning.
  WriteFile("foo.C", "a\n");
  RunResult late = RunVorn({"foo.C", "--version", "-M", "4"});
  EXPECT_EQ(late.status, 0);
  EXPECT_EQ(late.err, "vorn: warning: arguments after the input name are ignored: --version -M 4 "
                      "(options and -M words go before the input name, or name the input with -c)\n");
  EXPECT_EQ(ReadFile("foo_new.C"), "#line 1 \"foo.C\"\na\n");
}
