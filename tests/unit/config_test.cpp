// The configuration file reader: which settings a section of compiler.cfg replaces, and what
// it reports on standard error.
#include <gtest/gtest.h>

#include "build/config.h"
#include "build/settings.h"
#include "harness.h"

TEST(IsNumeric, OnlyDecimalDigits) {
  EXPECT_EQ(IsNumeric(""), 1);
  EXPECT_EQ(IsNumeric("0123456789"), 1);
  for (const char *s : {"3a", "-1", "+3", " 3", "x"}) EXPECT_EQ(IsNumeric(s), 0) << s;
}

// The settings the reader can change, null as "-": ext_src|ext_obj|ext_exe|compiler1|compiler2|
// linker1|linker2|compiler_flag|compiler_parms|linker_flag|linker_parms.
static std::string Settings() {
  auto s = [](const char *p) { return std::string(p ? p : "-") + "|"; };
  char numbers[64];  // flags in hex
  snprintf(numbers, 64, "%x|%d|%x|%d", compiler_flag, compiler_parms, linker_flag, linker_parms);
  return s(ext_src) + s(ext_obj) + s(ext_exe) + s(compiler1) + s(compiler2) + s(linker1) +
         s(linker2) + numbers;
}

// compiler.cfg (null: none), the messages, and the settings after reading the GCC section
// from all settings null and 0.
TEST(ProcessCfg, ReadsTheGccSection) {
  const char *none = "-|-|-|-|-|-|-|0|0|0|0";
  // Lines of any length are read whole: neither the end of a long path nor a '#'
  // far into a line that begins with blanks counts as a line of its own.
  const std::string path = "/opt/" + std::string(600, 'p') + "/cc";
  const std::string longFile = "#GCC\nCOMPILER=" + path + " SRC " + std::string(600, 'x') +
                               "\nLINE=cc %s\n" + std::string(1022, ' ') + "#\nLINKER=ld OBJ\nLINE=ld\n";
  const std::string longSettings = "-|-|-|" + path + "|cc %s|ld|ld\n|40|0|20|0";
  const std::string longErr = "Invalid argument " + std::string(600, 'x') + " on COMPILER line\n";
  const struct { const char *file, *err, *settings; } cases[] = {
      {nullptr, "", none}, {"#GCC\n", "", none},
      {"#GCC SRC=C EXE=exe\nCOMPILER=\\Cygwin\\bin\\gcc.exe SRC EXE\nLINE=gcc %s -o %s\n", "",
       "C|-|exe|\\Cygwin\\bin\\gcc.exe|gcc %s -o %s|-|-|50|0|0|0"},
      {"#MSC SRC=c\nCOMPILER=cl SRC\nLINE=cl %s\n", "Compiler not supported\n", none},
      // A blank after COMPILER= leaves an empty path; the path becomes a word of its own.
      {"#GCC\nCOMPILER= /bin/cc SRC\nLINE=cc %s\n", "Invalid argument /bin/cc on COMPILER line\n",
       "-|-|-||cc %s|-|-|40|0|0|0"},
      // Flags are whole, case-sensitive words; digits only make the number.
      {"#GCC\nCOMPILER=cc 3 3a SRCX src OBJ\nLINE=cc %s\n", "Invalid argument 3a on COMPILER "
       "line\nInvalid argument SRCX on COMPILER line\nInvalid argument src on COMPILER line\n",
       "-|-|-|cc|cc %s|-|-|20|3|0|0"},
      // A line beginning with '#' ends the section, one beginning with a blank does not; the
      // compile format loses its trailing blanks, tabs and line end.
      {"#GCC\n #\nCOMPILER=cc SRC\nLINE=cc %s \t \n# end\nLINKER=ld OBJ\nLINE=ld %s\n", "",
       "-|-|-|cc|cc %s|-|-|40|0|0|0"},
      // Reading stops at a missing format line; what was set stays set.
      {"#GCC\nCOMPILER=cc SRC\n\nLINE=cc %s\nLINKER=ld OBJ\nLINE=ld %s\n",
       "Missing compiler parameter line\n", "-|-|-|cc|-|-|-|40|0|0|0"},
      // The header is compared as a prefix, and only the first match counts.
      {"#GCC2 SRC= OBJ=o X=y\n#GCC EXE=e\n", "", "|o|-|-|-|-|-|0|0|0|0"},
      // The link step's format keeps its line end.
      {"#GCC\nLINKER=/bin/ld OBJ EXE 7 -x\nLINE=ld %s\n", "Invalid argument -x on LINKER line\n",
       "-|-|-|-|-|/bin/ld|ld %s\n|0|0|30|7"},
      {longFile.c_str(), longErr.c_str(), longSettings.c_str()}};
  for (auto &c : cases) {
    TempDir dir;
    if (c.file) WriteFile("compiler.cfg", c.file);
    ResetSettings();
    testing::internal::CaptureStderr();
    processCFG(GCC, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err) << c.file;
    EXPECT_EQ(Settings(), c.settings) << c.file;
  }
  ResetSettings();
}

// A named compiler without its section, or without a name, ends the run: the
// reader says so and returns 0, and the driver ends with status 1.
TEST(ProcessCfg, NamedCompilerWithoutItsSectionEndsTheRun) {
  TempDir dir;
  WriteFile("compiler.cfg", "#GCC SRC=g\n");
  const struct { const char *name, *err; int result; } cases[] = {
      {"#XCC", "Compiler not supported\nCompiler #XCC cannot be used\n", 0},
      {nullptr, "Undefined C compiler\n", 0},
      {"#GCC", "", 1}};
  for (const auto &c : cases) {
    ResetSettings();
    testing::internal::CaptureStderr();
    EXPECT_EQ(processCFG(NAMED, c.name), c.result);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.err);
  }
  ResetSettings();
}
