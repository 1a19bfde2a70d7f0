// The bundled examples and the manual page: each example template is run through build/vorn,
// its final source is built with the host compiler and the program's output is checked;
// examples/Makefile builds them all with its pattern rule; the manual page formats cleanly.
#include <gtest/gtest.h>

#include "harness.h"

static const std::string Examples = std::string(VORN_SOURCE_DIR) + "/examples";

// Each case: vorn's arguments, the final source and a line directive it must hold, what the
// host compiler builds, the built program's arguments, and what it must print.
struct ExampleCase {
  std::vector<std::string> args;
  std::string final, directive, sources, run, expected;
};

TEST(Examples, FinalSourcesBuildAndBehave) {
  const ExampleCase cases[] = {
      {{"-q", "--output=crc32.gen.c", "crc32.C"}, "crc32.gen.c",
       "#line 16 \"crc32.C\"\n    0x00000000, 0x77073096,", "crc32.gen.c crc32_main.c", "",
       "cbf43926  123456789\n"},
      {{"crc32.C"}, "crc32_new.C", "#line 18 \"crc32.C\"\n};\n\nunsigned long crc32(",
       "crc32_new.C crc32_main.c",
       "'The quick brown fox jumps over the lazy dog'",
       "414fa339  The quick brown fox jumps over the lazy dog\n"},
      {{"-q", "--output=colors.gen.h", "colors.C"}, "colors.gen.h",
       "#line 20 \"colors.C\"\n    case COLOR_RED: return \"RED\";", "colors_main.c", "BLUE pink",
       "0 RED\n1 ORANGE\n2 YELLOW\n3 GREEN\n4 BLUE\n5 VIOLET\nBLUE -> 4\npink -> 6\n"},
      {{"-q", "--output=unroll.gen.c", "-cunroll", "-M", "8", "dot8"}, "unroll.gen.c",
       "#line 15 \"unroll.C\"\n        sum += a[i + 7] * b[i + 7];", "unroll.gen.c unroll_main.c", "",
       "dot8(40) = 11480, 0 lengths wrong\n"},
      {{"-q", "--output=fields.gen.h", "fields.C"}, "fields.gen.h", "\n    const char * name;\n",
       "fields_main.c", "", "id=7 name=bolt price=0.25 stock=120\nid=12 name=hinge price=3.50 stock=8\n"},
      {{"-q", "--output=vm.gen.h", "vm.C"}, "vm.gen.h", "#line 9 \"vm_parts/interp.inc\"\n        case OP_PUSH:",
       "vm_main.c", "", "34 36\nMUL is opcode 4\n"},
  };
  for (const ExampleCase &c : cases) {
    TempDir dir;
    ASSERT_EQ(Shell("cp -r " + Examples + "/. ."), 0);
    RunResult r = RunVorn(c.args);
    ASSERT_EQ(r.status, 0) << c.final << r.err;
    EXPECT_NE(ReadFile(c.final).find(c.directive), std::string::npos) << ReadFile(c.final);
    ASSERT_EQ(Shell(std::string(VORN_HOST_GCC) + " -x c -Wall -Werror -o prog " + c.sources +
                    " 2>gcc.err"), 0) << c.final << ReadFile("gcc.err");
    ASSERT_EQ(Shell("./prog " + c.run + " >prog.out"), 0) << c.final;
    EXPECT_EQ(ReadFile("prog.out"), c.expected) << c.final;
  }
}

TEST(Examples, MakefilePatternRuleBuildsAndTracksParts) {
  TempDir dir;
  ASSERT_EQ(Shell("cp -r " + Examples + "/. ."), 0);
  const std::string make = "make -j2 VORN=" + std::string(VORN_BIN) + " CC=" + VORN_HOST_GCC;
  ASSERT_EQ(Shell(make + " >make.out 2>&1"), 0) << ReadFile("make.out");
  ASSERT_EQ(Shell("./crc32 >run.out && ./unroll >>run.out && ./vm >>run.out"), 0);
  EXPECT_EQ(ReadFile("run.out"),
            "cbf43926  123456789\ndot8(40) = 11480, 0 lengths wrong\n34 36\nMUL is opcode 4\n");
  // Quiet runs: make's output is its own command lines, nothing of Vorn's.
  EXPECT_EQ(ReadFile("make.out").find("Vorn version"), std::string::npos) << ReadFile("make.out");
  EXPECT_EQ(Shell(make + " -q"), 0);  // everything is up to date
  // vm.gen.h.d, written by the run, names the parts: a changed part makes vm out of date.
  ASSERT_EQ(Shell("sleep 1; touch vm_parts/names.inc"), 0);
  EXPECT_EQ(Shell(make + " -q vm"), 1);
  EXPECT_EQ(Shell(make + " -q crc32"), 0);
  ASSERT_EQ(Shell(make + " >make.out 2>&1"), 0) << ReadFile("make.out");
  EXPECT_NE(ReadFile("make.out").find("--depfile=vm.gen.h.d --output=vm.gen.h vm.C"), std::string::npos)
      << ReadFile("make.out");
  // The rules keep the compiled generator programs: one entry a template.
  EXPECT_EQ(Shell("test $(ls .vorn-cache/*.mf | wc -l) -eq 5"), 0)
      << ReadFile("make.out");
  EXPECT_EQ(ReadFile("make.out").find("crc32.C"), std::string::npos) << ReadFile("make.out");
}

TEST(ManPage, FormatsWithoutWarningsAndDescribesEveryOption) {
  TempDir dir;
  const std::string page = std::string(VORN_SOURCE_DIR) + "/docs/vorn.1";
  EXPECT_EQ(Shell("groff -ww -man -Tutf8 -z " + page + " 2>warnings"), 0);
  EXPECT_EQ(ReadFile("warnings"), "");
  ASSERT_EQ(Shell("groff -man -Tascii -P-cbou " + page + " >page.txt"), 0);
  const std::string text = ReadFile("page.txt");
  for (const char *item : {"\n       -cinput\n", "\n       -ofinal\n", "\n       -Oexecutable\n",
                           "\n       -mcode ", "\n       -l     ", "\n       -Idir  ",
                           "\n       --compact\n", "\n       -q, --quiet\n", "\n       --depfile=file\n",
                           "\n       -M word...\n", "\n       --help ", "\n       --version\n",
                           "\n       --output=file\n", "\n       --check\n", "\n       --no-compact\n",
                           "\n       --timeout=seconds\n", "\n       --compiler=program\n",
                           "\n       --save-temps, --save-temps=dir\n", "\n       --cache=dir\n", "\nEXIT STATUS\n",
                           "\n       --max-output=size\n",
                           "COMPILER=/usr/bin/ccache SRC OBJ", "LINKER=/usr/bin/gcc OBJ EXE"})
    EXPECT_NE(text.find(item), std::string::npos) << item;
}

// The quick start's command leaves the template and the final source it shows, nothing
// else; the README's pipe form reads a template from standard input.
TEST(Examples, QuickStartCommandLeavesOnlyTheFinalSource) {
  TempDir dir;
  ASSERT_EQ(Shell("cp " + Examples + "/squares.C ."), 0);
  RunResult r = RunVorn({"-q", "--output=squares.c", "squares.C"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out + r.err, "");
  ASSERT_EQ(Shell("ls >files"), 0);
  EXPECT_EQ(ReadFile("files"), "files\nrun.err\nrun.out\nsquares.C\nsquares.c\n");
  const std::string text = ReadFile("squares.c");
  EXPECT_EQ(text.rfind("#line 1 \"squares.C\"\n/* A table of squares", 0), 0u) << text;
  EXPECT_NE(text.find("#line 7 \"squares.C\"\n    49,\n#line 9 \"squares.C\"\n};\n"), std::string::npos);
  EXPECT_EQ(Shell(std::string(VORN_HOST_GCC) + " -x c -Wall -Werror -c squares.c -o squares.o"), 0);
  ASSERT_EQ(Shell("cat squares.C | " + std::string(VORN_BIN) + " -q --output=- - >piped.c"), 0);
  ASSERT_EQ(Shell("sed 's/\"<stdin>\"/\"squares.C\"/' piped.c >named.c"), 0);
  EXPECT_EQ(ReadFile("named.c"), text);
}
