// Whole runs of build/vorn with stand-in compilers named in compiler.cfg: how the outcome of
// each step is reported, whether the generator runs, and Vorn's exit status.
#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include "harness.h"

// A stand-in compiler or linker: appends its arguments and "--" to the file calls, writes its
// last argument as a generator that records "$0|$1" in the file ran, then runs tail.
static void Script(const std::string &name, const std::string &tail) {
  WriteFile(name, "#!/bin/sh\nprintf '%s\\n' \"$@\" -- >>calls\nfor a; do out=$a; done\n"
                  "printf '#!/bin/sh\\necho \"$0|$1\" >ran\\n' >\"$out\"\nchmod +x \"$out\"\n" +
                      tail + "\n");
  chmod(name.c_str(), 0755);
}

// Standard output after the banner and the target line: the messages of the steps.
static std::string Said(const RunResult &r) { return r.out.substr(r.out.find("compiler\n") + 9); }

// Each case: compiler.cfg, the tail of the script cc (ok exits 0), Vorn's status, its
// messages on standard output and error, and what the stand-ins and the generator recorded.
TEST(Build, ReportsEveryOutcomeOfTheSteps) {
  const std::string H = "#GCC SRC=C OBJ=o EXE=exe\n", LD = " OBJ EXE\nLINE=ld %s %s\n",
      CC = H + "COMPILER=cc SRC EXE\nLINE=c %s %s\n", Cmd = "s_C.C\ns_C.exe\n--\n",
      OB = H + "COMPILER=ok SRC OBJ\nLINE=c %s %s\n", Obj = "s_C.C\ns_C.o\n--\n",
      Lnk = "s_C.o\ns_C.exe\n--\n", Ran = "./s_C.exe|s_new.C\n",
      Comp = "Compilation internal pass ended with compilation errors\n",
      Fail = "Compilation internal pass failed: ", Ext = "Result extensions not specified\n",
      NoGen = "execl(./s_C.exe,s_C.exe s_new.C :No such file or directory\n"
              "Print pass failed: exit status 127\n";
  const struct { std::string cfg, tail; int status; std::string out, err, record; } cases[] = {
      {CC, "exit 0", 0, "", "", Cmd + Ran},
      {CC, "exit 1", 1, Comp, "", Cmd},
      {CC, "exit 2", 1, "", Fail + "exit status 2\n", Cmd},
      // 254 and 255 are the compiler's own statuses, not a failed wait or fork.
      {CC, "exit 254", 1, "", Fail + "exit status 254\n", Cmd},
      {CC, "exit 255", 1, "", Fail + "exit status 255\n", Cmd},
      {CC, "kill -TERM $$", 1, "", Fail + "terminated by signal 15 (Terminated)\n", Cmd},
      {H + "COMPILER=no SRC EXE\nLINE=c %s\n", "", 1, "",
       "execv(no,* :No such file or directory\n" + Fail + "exit status 127\n", ""},
      {CC, "echo 'exit 1' >>\"$out\"", 1, "Print pass ended with errors\n", "", Cmd + Ran},
      {CC, "echo 'kill -KILL $$' >>\"$out\"", 1, "",
       "Print pass failed: terminated by signal 9 (Killed)\n", Cmd + Ran},
      {CC, "rm \"$out\"", 1, "", NoGen, Cmd},
      {H + "COMPILER=ok EXE\nLINE=c %s\n", "", 1, "", Ext, ""},
      {"#GCC SRC=C\nCOMPILER=ok OBJ\nLINE=c %s\n", "", 1, "", Ext, ""},  // ext_obj stays null
      // SRC and OBJ, with or without EXE: the object takes the executable's stem.
      {OB, "", 1, "", NoGen, Obj},
      {H + "COMPILER=ok SRC OBJ EXE\nLINE=c %s %s\n", "", 1, "", NoGen, Obj},
      {OB + "LINKER=ok" + LD, "", 0, "", "", Obj + Lnk + Ran},
      {OB + "LINKER=cc" + LD, "exit 1", 1, "Link internal pass ended with errors\n", "", Obj + Lnk},
      // A failed compile skips the link step, which could only link a stale object.
      {H + "COMPILER=cc SRC OBJ\nLINE=c %s %s\nLINKER=ok" + LD, "exit 1", 1, Comp, "", Obj}};
  for (auto &c : cases) {
    TempDir dir;
    Script("cc", c.tail);
    Script("ok", "exit 0");
    WriteFile("compiler.cfg", c.cfg);
    WriteFile("s.C", "int x;\n");
    RunResult r = RunVorn({"s.C"});
    EXPECT_EQ(r.status, c.status) << c.cfg << c.tail;
    EXPECT_EQ(Said(r), c.out) << c.cfg << c.tail;
    EXPECT_EQ(r.err, c.err) << c.cfg << c.tail;
    EXPECT_EQ(ReadFile("calls") + ReadFile("ran"), c.record) << c.cfg << c.tail;
  }
}

TEST(Build, NamesReachTheStepsAsOneArgument) {
  TempDir dir;
  Script("cc", "exit 0");
  WriteFile("compiler.cfg", "#GCC SRC=C EXE=exe\nCOMPILER=cc SRC EXE\nLINE=gcc %s -o %s\n");
  WriteFile("my file.C", "int x;\n");
  EXPECT_EQ(RunVorn({"my file.C"}).status, 0);
  EXPECT_EQ(ReadFile("calls") + ReadFile("ran"),
            "my file_C.C\n-o\nmy file_C.exe\n--\n./my file_C.exe|my file_new.C\n");
  // A generator name with a '/' is started as it is, not below the working directory.
  EXPECT_EQ(RunVorn({"-O" + dir.path + "/g", "my file.C"}).status, 0);
  EXPECT_EQ(ReadFile("ran"), dir.path + "/g.exe|my file_new.C\n");
}

// The host gcc reports an error of macro code against the template's name and line, in either
// form: a macro line, an embedded expression, inserted code.
TEST(Build, GccReportsMacroCodeErrorAtTemplateLine) {
  // Six lines of every kind before the faulty one, so that a wrong count shows.
  const std::string before = "##int good = 1;\nfirst ##good##\nplain text\n\"a literal\"\n"
                             "/* a\n comment */\n";
  const struct {
    std::vector<std::string> options;
    std::string source, line;
    int errors = 0;  // how many gcc must report; 0: any
  } cases[] = {
      {{}, "int a;\n##int x = ;\n", "e.C:2:"},
      {{"--compact"}, "int a;\n##int x = ;\n", "e.C:2:11:"},  // the template's column, after the ##
      // In the compact form an expression is checked once, at its own column, and gcc quotes
      // the template's line with its caret under it; a tab before it counts as gcc counts it.
      {{"--compact"}, before + "x = ##missing_name + good##;\nafter\n", "e.C:7:7:", 1},
      {{"--compact"}, before + "\tx = ##missing_name##; y = ##good##;\n", "e.C:7:15:", 1},
      {{"--compact"}, "/* caf\xc3\xa9 */ ##good_name##\n", "e.C:1:14:", 1},
      // clang counts bytes, and quotes the generated line: the expression alone.
      {{"--compact", "--compiler=clang++"}, before + "\tx = ##missing_name##;\n", "e.C:7:8:", 1},
      // A value with no printed form is one error at the expression's column too.
      {{"--compact"}, before + "##struct P { int x; } good_name = {1};\nv = ##good_name##;\n",
       "e.C:8:7:", 1},
      {{"--compact", "--compiler=clang++"},
       before + "##struct P { int x; } good_name = {1};\nv = ##good_name##;\n", "e.C:8:7:", 1},
      {{"--compact"}, before + "x ##.missing_call(good);## y\nafter\n", "e.C:7:6:"},
      {{}, before + "x = ##missing_name + good##;\nafter\n", "e.C:7:"},
      {{}, before + "x ##.missing_call(good);## y\nafter\n", "e.C:7:"},
      {{}, "x = ##missing_name##;\n", "e.C:1:"},
      // Inserted code that goes on in the next piece of the same line takes no directive
      // between the two: here a string literal stays open across them.
      {{}, before + "##const char *t;\nx ##.t = \"a##.b\"; missing(t);## y\n", "e.C:8:"},
  };
  for (const auto &c : cases) {
    const bool clang = c.options.size() > 1 && c.options[1] == "--compiler=clang++";
    if (clang && Shell("command -v clang++ >/dev/null") != 0) continue;  // not installed here
    TempDir dir;
    WriteFile("e.C", c.source);
    std::vector<std::string> args = c.options;
    args.push_back("e.C");
    RunResult r = RunVorn(args);
    EXPECT_EQ(r.status, 1) << c.source;
    EXPECT_EQ(Said(r), "Compilation internal pass ended with compilation errors\n");
    if (clang && c.source.find("missing_name") != std::string::npos) {
      EXPECT_NE(r.err.find("\n       missing_name\n       ^"), std::string::npos) << r.err;
    }
    EXPECT_EQ(r.err.find("e_C.C:"), std::string::npos) << r.err;
    if (!c.options.empty() && c.options[0] == "--compact") {
      for (const char *internal : {"_vtext", "_ftype1", "_printType", "_vs(", "/vorn-", ".mac"})
        EXPECT_EQ(r.err.find(internal), std::string::npos) << internal << "\n" << r.err;
    }
    // Every error gcc reports names the faulty line.
    int errors = 0;
    for (size_t at = r.err.find(": error:"); at != std::string::npos;
         at = r.err.find(": error:", at + 1)) {
      size_t start = r.err.rfind('\n', at) + 1;  // npos + 1 is the text's start
      EXPECT_EQ(r.err.compare(start, c.line.size(), c.line), 0) << r.err.substr(start, at - start);
      errors++;
    }
    EXPECT_GT(errors, 0) << r.err;
    if (c.errors > 0) EXPECT_EQ(errors, c.errors) << r.err;
    // gcc quotes the template's line, with its caret under the faulty name.
    if (c.errors > 0 && !clang) {
      std::istringstream lines(r.err);
      std::string quoted, caret;
      while (std::getline(lines, quoted) && quoted.find(" | ") == std::string::npos) {}
      std::getline(lines, caret);
      size_t name = quoted.find("missing_name") != std::string::npos ? quoted.find("missing_name")
                                                                      : quoted.find("good_name");
      ASSERT_NE(name, std::string::npos) << r.err;
      // Columns as they show: a character of several UTF-8 bytes is one.
      const auto shown = [](const std::string &text, size_t bytes) {
        size_t columns = 0;
        for (size_t i = 0; i < bytes && i < text.size(); i++) columns += (text[i] & 0xC0) != 0x80;
        return columns;
      };
      EXPECT_EQ(shown(caret, caret.find('^')), shown(quoted, name)) << r.err;
    }
  }
}

// The built-in settings link the generator program with the math library: a table of sin(i)
// builds, and each value in the final source reads back as the double the generator computed
// (written beside it in hexadecimal, which is exact).
TEST(Build, BuiltInSettingsLinkTheMathLibrary) {
  TempDir dir;
  WriteFile("sines.C",
            "##MSTART\n#include <math.h>\n##MEND\n#include <stdio.h>\n"
            "static const double sines[][2] = {\n##for (int i = 0; i < 1000; i++) {\n"
            "    {##sin(i)##, ##.fprintf(stdcom, \"%a\", sin(i));##},\n##}\n};\n"
            "int main(void) {\n  int differ = 0;\n  for (int i = 0; i < 1000; i++)\n"
            "    differ += sines[i][0] != sines[i][1];\n  printf(\"%d\\n\", differ);\n}\n");
  RunResult r = RunVorn({"sines.C"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::string final = ReadFile("sines_new.C");
  EXPECT_NE(final.find("{0.8414709848078965, 0x1.aed548f090ceep-1},"), std::string::npos);
  ASSERT_EQ(Shell(std::string(VORN_HOST_GCC) + " -x c -o sines sines_new.C 2>gcc.err"), 0)
      << ReadFile("gcc.err");
  ASSERT_EQ(Shell("./sines >differ"), 0);
  EXPECT_EQ(ReadFile("differ"), "0\n");
}

// A value with no printed form does not compile, in either form; gcc says so in a few lines at
// the expression's own template line and says what to do. Each row is one kind of value, on
// line 8 of its template, after a class that converts to int (still a class).
TEST(Build, UnprintableValueIsACompileErrorAtItsLine) {
  const std::string head =
      "##MSTART\nstruct P { int x; operator int() const { return 1; } };\n"
      "enum class Color { red };\nvoid f(void) {}\n##MEND\n"
      "##P p = {1}; int a[3] = {0}; const int *cp = a; unsigned char u[2] = \"u\";\n"
      "ok ##p.x## ##(int)Color::red##\n";
  const char *const values[] = {"p", "Color::red", "cp", "(void *)cp", "a", "u", "&p", "f",
                                "&P::x", "nullptr", "(volatile char *)u"};
  for (const char *value : values)
    for (const char *form : {"--compact", "-q"}) {
      TempDir dir;
      WriteFile("e.C", head + "x = ##" + value + "##;\n");
      RunResult r = RunVorn({form, "e.C"});
      EXPECT_EQ(r.status, 1) << value;
      // The compact form names the expression's column.
      const std::string at = std::string(form) == "-q" ? "e.C:8:" : "e.C:8:7:";
      EXPECT_NE(r.err.find(at), std::string::npos) << r.err;
      EXPECT_EQ(r.err.find("e_C.C:"), std::string::npos) << r.err;
      EXPECT_EQ(r.err.find("e_M.mac"), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("no printed form"), std::string::npos) << r.err;
      EXPECT_NE(r.err.find("##.fprintf(stdcom, ...);##"), std::string::npos) << r.err;
      EXPECT_LT(std::count(r.err.begin(), r.err.end(), '\n'), 10) << r.err;
    }
}

// A code that still reaches the "Unsuported type" report at run time makes the generator end
// with status 1, and Vorn with it; the report stays as it was.
TEST(Build, UnsupportedTypeAtRunTimeFailsTheRun) {
  TempDir dir;
  WriteFile("e.C", "a ##.fprintf(stdcom, _printType(0), 1);## b\n");
  RunResult r = RunVorn({"-q", "e.C"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.find("Unsuported type\n"), 0u) << r.err;
}

// Mistakes that the compiler would report against lines of the generator program, or against
// the wrong template lines, are reported by Vorn at their own line, in both forms, ahead of
// the compiler's messages; the status is 1. Each case: the template, the report.
TEST(Build, TemplateMistakesAreNamedBeforeTheCompile) {
  const struct { std::string source, report; } cases[] = {
      // A block that an expression ends, with no ##MEND after it (at the end, or before the next
      // block).
      {"##MSTART\nint sq(int v) { return v * v; }\nstatic const int t[] = {\n"
       "##for (int i = 0; i < 3; i++) {\n    ##sq(i)##,\n##}\n};\n",
       "s.C:5: error: the embedded expression ends the macro block that starts at line 1, and no "
       "##MEND follows; the lines after it are not part of the block\n"},
      {"##MSTART\nint a = 1;\nx ##.a++;##\n##MSTART\nint b;\n##MEND\n",
       "s.C:3: error: the inserted code ends the macro block that starts at line 1, and no "
       "##MEND follows; the lines after it are not part of the block\n"},
      // Braces of macro code: one never closed, one too many (comments, literals and # lines
      // hold braces that do not count).
      {"##for (int i = 0; i < 2; i++) { // {\nx ##i##\n##if (1) { /* } */\n##}\nend\n",
       "s.C:1: error: this \"{\" of macro code is not closed by the end of the input\n"},
      {"##for (int i = 0; i < 2; i++) {\nx ##i##\n##}\n##}\n##const char *s = \"}\"; char c = '{';\n"
       "###define OPEN {\n##int u = 0;\n",
       "s.C:4: error: this \"}\" of macro code closes a brace that no macro code before it opened\n"},
      {"a ##.if (1) {## b ##.}## ##.}##\n",
       "s.C:1: error: this \"}\" of macro code closes a brace that no macro code before it opened\n"},
  };
  for (const auto &c : cases)
    for (const char *form : {"-q", "--compact"}) {
      TempDir dir;
      WriteFile("s.C", c.source);
      RunResult r = RunVorn({"-q", form, "s.C"});
      EXPECT_EQ(r.status, 1) << c.source;
      EXPECT_EQ(r.err.rfind(c.report, 0), 0u) << r.err;
    }
}

// --debug keeps a generator program built for gdb and says how to run it: a breakpoint at a
// template line is hit there and a macro variable prints; the final source is the one a plain
// run writes. --sanitize fails a run whose macro code reads past a table, at its template line,
// where a plain run writes whatever lay beyond it.
TEST(Build, DebugAndSanitizeBuilds) {
  TempDir dir;
  WriteFile("d.C", "##MSTART\nint table[4] = {1, 2, 3, 4};\n##MEND\n##int n = 3;\n"
                   "##for (int i = 0; i < n; i++) {\nint v##i## = ##table[i] * n##;\n##}\n");
  ASSERT_EQ(RunVorn({"-q", "--output=plain.c", "d.C"}).status, 0);
  RunResult r = RunVorn({"-q", "--debug", "--output=d.c", "d.C"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFile("d.c"), ReadFile("plain.c"));
  const std::string say = "vorn: to debug the generator program: ";
  ASSERT_EQ(r.err.rfind(say, 0), 0u) << r.err;
  const std::string command = r.err.substr(say.size(), r.err.find('\n') - say.size());
  EXPECT_EQ(command, "gdb --args ./d_C.exe ./d_new.C ./d_C.dat");
  if (Shell("command -v gdb >/dev/null") == 0) {
    ASSERT_EQ(Shell("ulimit -f 10240; timeout -k 5 60 gdb -batch -ex 'break d.C:6' -ex run -ex 'print n' "
                    "-ex 'print table[i] * n' -ex bt " + command.substr(4) + " >gdb.out 2>&1"), 0);
    const std::string out = ReadFile("gdb.out");
    EXPECT_NE(out.find("d.C:6\n6\tint v##i## = ##table[i] * n##;\n"), std::string::npos) << out;
    EXPECT_NE(out.find("$1 = 3\n$2 = 3\n#0  main"), std::string::npos) << out;
  }
  WriteFile("o.C", "##MSTART\nint table[4] = {1, 2, 3, 4};\n##MEND\n"
                   "##for (int i = 0; i <= 4; i++) {\nint v##i## = ##table[i]##;\n##}\n");
  ASSERT_EQ(RunVorn({"-q", "--output=o.c", "o.C"}).status, 0);  // reads past the table unseen
  r = RunVorn({"-q", "--sanitize", "--save-temps=kept", "--output=o2.c", "o.C"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("o.C:5:"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("index 4 out of bounds"), std::string::npos) << r.err;
  EXPECT_NE(access("o2.c", F_OK), 0);
}
