// Whole-program cases of the command line: the banner and usage text, option
// handling, the names a run derives, and the early ends with their statuses.
#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>

#include "driver/depfile.h"
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
  RunResult r = RunVorn({"-x", "-y", "foo.C"});
  EXPECT_EQ(r.status, 1);  // the run goes on, but a build must not take it for a success
  EXPECT_EQ(r.err, "Unrecognized option -x\nUnrecognized option -y\n"
                   "vorn: removed the final source foo_new.C of a failed run\n");
  EXPECT_EQ(WrittenFinal("foo"), "#line 1 \"foo.C\"\na\n");
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
  EXPECT_EQ(r.err, "Missing input file\n"
                   "vorn: error: cannot open template \"nothere.C\": No such file or directory\n");
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
  WriteFile("foo.C", "$1-$2-$1\n");
  RunResult r = RunVorn({"-cfoo", "-M", "a", "b c"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(WrittenFinal("foo"), "#line 1 \"foo.C\"\na-b c-a\n");
  // A word that is not given is a mistake of the template: reported, and nothing compiled.
  WriteFile("foo.C", "$1-$2-$3\n");
  r = RunVorn({"-cfoo", "-M", "a", "b c"});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.err, "Invalid input argument used 3\nfoo.C:1: error: $3 used, but -M gives 2 words\n"
                   "vorn: removed the final source foo_new.C of a failed run\n");
  EXPECT_FALSE(Exists("foo_new.C"));
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
  EXPECT_EQ(help.out.rfind("Usage: vorn [options] --output=<file> <template>\n", 0), 0u) << help.out;
  for (const char *line : {"\n  --compact ", "\n  -q, --quiet ", "\n  --depfile=FILE ", "\n  -I<dir> ", "\n  -M <word>...",
                           "\n  --output=FILE ", "\n  --check ", "\n  --save-temps[=DIR] ",
                           "\n  --compiler=PROGRAM ", "\n  --no-compact ", "\n  --timeout=SECONDS ", "\n  --cache=DIR ",
                           "\n  --max-output=SIZE ",
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

// A quiet run prints nothing when all is well, and one line per problem on
// standard error; a generator program that fails leaves no final source.
TEST(Driver, QuietRunsReportProblemsOnly) {
  const struct {
    std::string source, err;  // err: the whole of standard error, or its end after gcc's lines
    int status;
    bool final;  // the final source is there afterwards
  } cases[] = {
      {"x\n", "", 0, true},
      {"a\n##MSTART\nint x;\n",
       "s.C:2: error: block started by ##MSTART is not closed at the end of the input\n", 1, false},
      {"a\n##include \"gone.h\"\n",
       "s.C:2: error: cannot open include file \"gone.h\": No such file or directory\n", 1, false},
      {"$3\n", "s.C:1: error: $3 used, but no -M is given\n", 1, false},
      {"x\n##exit(3);\n",
       "vorn: error: the generator program s_C.exe failed: exit status 3; its partial final source "
       "s_new.C was removed\n", 1, false},
      {"x\n##fflush(stdcom); *(volatile int *)0 = 1;\n",
       "vorn: error: the generator program s_C.exe failed: terminated by signal 11 (Segmentation "
       "fault); its partial final source s_new.C was removed\n", 1, false},
      {"##int x = ;\n", "vorn: error: compiling s_C.C failed: exit status 1\n", 1, false},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.source);
    TempDir dir;
    WriteFile("s.C", c.source);
    RunResult r = RunVorn({"-q", "s.C"});
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.status, c.status);
    ASSERT_GE(r.err.size(), c.err.size());
    EXPECT_EQ(r.err.substr(r.err.size() - c.err.size()), c.err) << r.err;
    if (c.err.rfind("vorn: error: compiling", 0) == 0) EXPECT_NE(r.err.find("s.C:1:"), std::string::npos);
    else EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(Exists("s_new.C"), c.final);
  }
  // Without -q the designed reports stand, and the removal is said too.
  TempDir dir;
  WriteFile("s.C", "x\n##exit(3);\n");
  RunResult r = RunVorn({"s.C"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Print pass failed: exit status 3\nvorn: removed the partial final source s_new.C\n");
  EXPECT_FALSE(Exists("s_new.C"));
}

// The dependency file names the template, compiler.cfg and every include
// opened (nested, and with names make must see escaped), and make reads it.
// The prerequisites of the rule in s.d, one a line, with its empty rules after a "--" line.
static std::string RuleLines(const std::string &rule) {
  std::string lines;
  for (const std::string &word : RuleWords(rule)) lines += word + "\n";
  size_t empty = rule.find("\n\n");
  return lines + "--\n" + (empty == std::string::npos ? "" : rule.substr(empty + 2));
}

TEST(Driver, DependencyFileNamesWhatTheRunRead) {
  TempDir dir;
  Shell("mkdir -p 'sp ace' parts");
  WriteFile("s.C", "x\n##include \"sp ace/a$#.inc\"\n##include \"parts/b.inc\"\n"
                   "##MSTART\n#include \"params.h\"\n##MEND\nw ##WIDTH##\n");
  WriteFile("sp ace/a$#.inc", "a\n##include \"../parts/b.inc\"\n");
  WriteFile("parts/b.inc", "b\n");
  WriteFile("params.h", "#include <math.h>\nenum { WIDTH = 4 };\n");
  WriteFile("compiler.cfg", "#GCC SRC=C EXE=exe\nCOMPILER=" + std::string(VORN_HOST_GCC) +
                                " SRC EXE\nLINE=gcc %s -o %s\n");
  const std::string here = dir.path, a = here + "/sp ace/a$#.inc", b = here + "/parts/b.inc";
  // The template, compiler.cfg, the include files, then every header the
  // generator program's compile read: the macro block's, local and system.
  const std::string read = here + "/s.C\n" + here + "/compiler.cfg\n" + a + "\n" + here +
                           "/sp ace/../parts/b.inc\n" + b + "\n";
  for (const char *cache : {"", "--cache=vc"}) {  // a cache hit knows the headers too
    for (int run = 0; run < (cache[0] ? 2 : 1); run++) {
      SCOPED_TRACE(std::string(cache) + " run " + std::to_string(run));
      std::vector<std::string> args = {"-q", "--depfile=s.d", "s.C"};
      if (cache[0] != '\0') args.insert(args.begin(), cache);
      RunResult r = RunVorn(args);
      ASSERT_EQ(r.status, 0) << r.err;
      std::string rule = ReadFile("s.d"), lines = RuleLines(rule);
      EXPECT_EQ(rule.rfind("s_new.C: \\\n  " + here + "/s.C \\\n", 0), 0u) << rule;
      EXPECT_EQ(lines.rfind(read, 0), 0u) << lines;
      EXPECT_NE(lines.find("/math.h\n"), std::string::npos) << lines;
      EXPECT_NE(lines.find("\n" + here + "/params.h\n"), std::string::npos) << lines;
      EXPECT_NE(rule.find("\n" + here + "/sp\\ ace/a$$\\#.inc:\n"), std::string::npos) << rule;
      EXPECT_NE(rule.find("\n" + here + "/params.h:\n"), std::string::npos) << rule;
      EXPECT_EQ(lines.find("s_C.C"), std::string::npos) << lines;
      EXPECT_EQ(lines.find("s_M.mac"), std::string::npos) << lines;
    }
  }
  EXPECT_EQ(Shell("ls -a | grep -q vorn-"), 1) << "a partial dependency file was left";
  // make takes the rule: the final source is up to date until a nested part
  // or the macro block's header changes.
  WriteFile("Makefile", "s_new.C: s.C\n\t" + std::string(VORN_BIN) + " -q --depfile=s.d s.C\n-include s.d\n");
  EXPECT_EQ(Shell("make -q s_new.C"), 0);
  ASSERT_EQ(Shell("sleep 1; touch parts/b.inc"), 0);
  EXPECT_EQ(Shell("make -q s_new.C"), 1);
  ASSERT_EQ(Shell("make >make.out 2>&1 && make -q s_new.C"), 0) << ReadFile("make.out");
  ASSERT_EQ(Shell("sleep 1; echo 'enum { DEPTH = 2 };' >>params.h"), 0);
  EXPECT_EQ(Shell("make -q s_new.C"), 1);
  // A deleted include does not break make: its empty rule stands in for it.
  ASSERT_EQ(Shell("rm 'sp ace/a$#.inc' && make >make.out 2>&1"), 2) << ReadFile("make.out");
  EXPECT_NE(ReadFile("make.out").find("s.C:2: error: cannot open include file"), std::string::npos)
      << ReadFile("make.out");
  EXPECT_EQ(ReadFile("make.out").find("No rule to make target"), std::string::npos);
  // The rule is written when the compile fails too, with the headers it read.
  WriteFile("s.C", "##MSTART\n#include \"params.h\"\n##MEND\n##int x = ;\n");
  RunResult r = RunVorn({"-q", "--depfile=s.d", "s.C"});
  EXPECT_EQ(r.status, 1);
  const std::string lines = RuleLines(ReadFile("s.d"));
  EXPECT_EQ(lines.rfind(here + "/s.C\n" + here + "/compiler.cfg\n", 0), 0u) << lines;
  EXPECT_NE(lines.find("\n" + here + "/params.h\n"), std::string::npos) << lines;
}

// A name holding a backslash or a double quote is escaped wherever it stands in
// a C string; the #include of the macro file takes no escapes, so a double
// quote in its name is refused before anything is written.
TEST(Driver, NamesThatNeedEscaping) {
  TempDir dir;
  WriteFile("a\\b.C", "int x = __LINE__;\n##include <q\"x.inc>\nconst char *f = __FILE__; int y = __LINE__;\n");
  WriteFile("q\"x.inc", "int inc = __LINE__; const char *g = __FILE__;\n");
  RunResult r = RunVorn({"-q", "a\\b.C"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile("a\\b_new.C"), "#line 1 \"a\\\\b.C\"\nint x = __LINE__;\n#line 1 \"q\\\"x.inc\"\n"
                                    "int inc = __LINE__; const char *g = __FILE__;\n#line 3 \"a\\\\b.C\"\n"
                                    "const char *f = __FILE__; int y = __LINE__;\n");
  // gcc reads the directives back to the names and lines of the template.
  WriteFile("main.c", "#include \"a\\b_new.C\"\n#include <stdio.h>\n"
                      "int main(void) { printf(\"%d %d %d %s %s\\n\", x, inc, y, g, f); return 0; }\n");
  ASSERT_EQ(Shell(std::string(VORN_HOST_GCC) + " -x c main.c -o m 2>gcc.err && ./m >m.out"), 0)
      << ReadFile("gcc.err");
  EXPECT_EQ(ReadFile("m.out"), "1 1 3 q\"x.inc a\\b.C\n");
  WriteFile("p\"q.C", "x\n");
  r = RunVorn({"-q", "p\"q.C"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "vorn: error: the macro file name p\"q_M.mac holds a double quote, which the generator "
                   "program cannot #include; name it with -m\n");
  EXPECT_FALSE(Exists("p\"q_C.C"));
  EXPECT_FALSE(Exists("p\"q_M.mac"));
}

// -D defines a name for the macro code, as the compiler's -D does, whatever compiler.cfg's
// command line; the final source does not see it. Each case: the options, compiler.cfg, the
// status, the final source's line after its directive, and what standard error holds.
TEST(Driver, DefinesReachTheGeneratorProgramOnly) {
  const std::string source = "##for (int i = 0; i < WIDTH; i++) {\nv##i##\n##}\n"
                             "#ifdef WIDTH\nseen\n#endif\n";
  const std::string cfg = "#GCC SRC=C EXE=exe\nCOMPILER=" VORN_HOST_GCC " SRC EXE\n"
                          "LINE=gcc -x c++ %s -o %s\n";
  const struct {
    std::vector<std::string> options;
    std::string cfg;
    int status;
    std::string line, err;
  } cases[] = {
      {{"-DWIDTH=3"}, "", 0, "012", ""},
      {{"-DWIDTH=2"}, cfg, 0, "01", ""},
      {{"-DWIDTH", "-DNAME=\"text\"", "-DSQ(x)=((x)*(x))"}, "", 0, "0", ""},  // WIDTH is 1
      {{"-DWIDTH=1+1", "-DWIDTH=3"}, "", 0, "012", ""},  // as with gcc, the last wins, unsaid
      {{"-DWIDTH=2", "-DX=1\\", "-DY"}, "", 0, "01", ""},   // a backslash at the end joins no line
      {{"-DWIDTH=2", "-D=1"}, "", 1, "01", "vorn: error: -D=1 does not start with a macro name"},
      {{"-DWIDTH=2", "-D9"}, "", 1, "01", "vorn: error: -D9 does not start with a macro name"},
      {{"-DWIDTH=2", "-Dx-y"}, "", 1, "01", "vorn: error: -Dx-y does not start with a macro name"},
      {{"-DWIDTH=2", "-DV=a\nb"}, "", 1, "01", "vorn: error: the value of -DV holds a line break"},
  };
  for (const auto &c : cases) {
    TempDir dir;
    WriteFile("s.C", source);
    if (!c.cfg.empty()) WriteFile("compiler.cfg", c.cfg);
    std::vector<std::string> args = c.options;
    args.insert(args.begin(), "-q");
    args.push_back("s.C");
    RunResult r = RunVorn(args);
    EXPECT_EQ(r.status, c.status) << r.err;
    // The values the loop printed, one a line between directives (also where a
    // failed run removed the final source).
    const std::string final = WrittenFinal("s");
    std::istringstream lines(final.substr(0, final.find("#ifdef")));
    std::string printed;
    for (std::string line; std::getline(lines, line);)
      if (line.rfind("v", 0) == 0) printed += line.substr(1);
    EXPECT_EQ(printed, c.line) << final;
    EXPECT_NE(final.find("#ifdef WIDTH\nseen\n#endif\n"), std::string::npos) << final;
    if (c.err.empty()) EXPECT_EQ(r.err, "");
    else EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    // The defines stand first in the code file, one line each.
    EXPECT_EQ(ReadFile("s_C.C").rfind("#define WIDTH ", 0), 0u);
  }
}

// A long option that is not one of Vorn's, or is given without the value it
// needs or with one it does not take, ends the run before anything is written.
TEST(Driver, MistakenLongOptionsWriteNothing) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"--outptu=t.c"}, "unrecognized option --outptu=t.c; did you mean --output?"},
      {{"--quite"}, "unrecognized option --quite; did you mean --quiet?"},
      {{"--cahce=c"}, "unrecognized option --cahce=c; did you mean --cache?"},
      {{"--frobnicate"}, "unrecognized option --frobnicate; see vorn --help"},
      {{"--output"}, "the option --output needs a value: --output=VALUE, in one word"},
      {{"--max-output="}, "the option --max-output needs a value: --max-output=VALUE, in one word"},
      {{"--compact=1"}, "the option --compact takes no value: --compact=1"},
      {{"--quiet=yes"}, "the option --quiet takes no value: --quiet=yes"},
  };
  for (const auto &[args, said] : cases) {
    TempDir dir;
    WriteFile("t.C", "a\n");
    std::vector<std::string> all = {"-q"};
    all.insert(all.end(), args.begin(), args.end());
    all.push_back("t.C");
    RunResult r = RunVorn(all);
    EXPECT_EQ(r.status, 1) << args[0];
    EXPECT_EQ(r.err, "vorn: error: " + said + "\n");
    EXPECT_EQ(Shell("test \"$(ls -A)\" = \"$(printf 'run.err\\nrun.out\\nt.C')\""), 0) << args[0];
  }
}
