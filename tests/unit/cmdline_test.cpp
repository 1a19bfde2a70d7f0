// Command lines of the build steps: extensions chosen by flag bits, the format filled with
// the file names, and the split into words.
#include <gtest/gtest.h>

#include "build/cmdline.h"
#include "build/settings.h"
#include "build/steps.h"

using Words = std::vector<std::string>;

TEST(FixExt, ReplacesTheTextAfterTheLastDotOrAddsIt) {
  const char *cases[][3] = {{"foo_C.C", "C", "foo_C.C"}, {"foo", "exe", "foo.exe"},
                            {"foo.c", "C", "foo.C"}, {"x.", "C", "x.C"},
                            {"a.b/c", "exe", "a.exe"}, {".cfg", "C", ".C"},
                            {"a.b.c", "C", "a.b.C"}};
  for (auto &c : cases) EXPECT_EQ(FixExt(c[0], c[1]), c[2]) << c[0] << " " << c[1];
}

TEST(BreakLine, SeparatorRunsAddNoWords) {
  EXPECT_EQ(breakLine(" \tgcc  a.C\n-o\t\ta.exe \n"), (Words{"gcc", "a.C", "-o", "a.exe"}));
  EXPECT_TRUE(breakLine(" \t\n").empty());
  std::string many;
  for (int i = 0; i < 127; i++) many += " w";
  EXPECT_EQ(countArgs(many), 127);
}

// Names f_C.C and f_C.exe, extensions C (SRC), obj (OBJ) and exe (EXE).
TEST(ExecLine, FlagBitsChooseTheExtensions) {
  const struct { int flags; const char *format, *line; } cases[] = {
      {0x70, "cc %s -o %s", "cc f_C.C -o f_C.obj"},  // with SRC and OBJ, EXE is not looked at
      {0x60, "cc %s -o %s", "cc f_C.C -o f_C.obj"}, {0x50, "cc %s -o %s", "cc f_C.C -o f_C.exe"},
      {0x40, "cc %s", "cc f_C.C"}, {0x30, "ld %s -o %s", "ld f_C.obj -o f_C.exe"},
      {0x20, "ld %s", "ld f_C.obj"}, {0xC4, "cc %s", "cc f_C.C"}};  // other bits mean nothing
  for (auto &c : cases) {
    EXPECT_EQ(execLine(c.format, c.flags, "C", "obj", "exe", "f_C.C", "f_C.exe"), c.line);
    // Names without blanks: the argument vector is the split command line.
    EXPECT_EQ(execArgs(c.format, c.flags, "C", "obj", "exe", "f_C.C", "f_C.exe"),
              breakLine(c.line)) << c.flags;
  }
  // A null second extension leaves the second name (g) out.
  EXPECT_EQ(execLine("cc %s%s", 0x60, "C", nullptr, "exe", "f", "g").find('g'), std::string::npos);
  // A name with blanks stays one argument.
  EXPECT_EQ(execArgs(" gcc  %s\t-o %s\n", 0x50, "C", nullptr, "exe", "my file.C", "my file"),
            (Words{"gcc", "my file.C", "-o", "my file.exe"}));
}

// No first extension: no command at all, which the compile step reports
// ("Result extensions not specified") and the run ends with status 1.
TEST(ExecLine, NoFirstExtensionGivesNoCommand) {
  const struct { int flags; const char *src, *obj; } cases[] = {
      {0x10, "C", "obj"}, {0x00, "C", "obj"}, {0x20, "C", nullptr}, {0x50, nullptr, "obj"}};
  for (auto &c : cases) {
    EXPECT_EQ(execLine("cc %s", c.flags, c.src, c.obj, "exe", "f", "g"), "") << c.flags;
    EXPECT_EQ(execArgs("cc %s", c.flags, c.src, c.obj, "exe", "f", "g"), Words{}) << c.flags;
  }
}

// Compile lines whose program takes gcc's options (-iquote, -MD, -E) get them;
// others are left as they are, and the cache is not used with them.
TEST(CompileLine, GccFamilyByProgramName) {
  const struct { const char *format; int gcc; } cases[] = {
      {"gcc %s -o %s -lm", 1}, {"g++ %s -o %s", 1}, {"clang++ %s -o %s", 1}, {"cc %s", 1},
      {"/usr/bin/x86_64-linux-gnu-gcc-12 %s", 1}, {"clang++-14 %s", 1}, {"ccache gcc -c %s", 1},
      {"distcc /opt/bin/c++ -c %s", 1}, {"cl /c %s", 0}, {"gccx %s", 0}, {"tcc %s", 0},
      {"ccache cl %s", 0}, {"my-gcc-wrapper %s", 0}, {"", 0}};
  const char *saved = compiler2;
  for (auto &c : cases) {
    compiler2 = c.format;
    EXPECT_EQ(CompilerTakesGccOptions(), c.gcc) << c.format;
  }
  compiler2 = saved;
}
