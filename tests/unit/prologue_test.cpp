// The fixed beginning of both generated files, the end of the code file, and the generated
// program that the host gcc builds from them.
#include <gtest/gtest.h>

#include "build/settings.h"
#include "driver/run.h"
#include "generator/flags.h"
#include "generator/output.h"
#include "generator/prologue.h"
#include "harness.h"

TEST(Prologue, WritesFixedBeginningAndEnd) {
  const std::string head = "#include <stdio.h>\nFILE *stdcom;\n// C output file\n#include \"";
  // Each case: the target, the final source and macro file names, the code file, and the two
  // rows of the macro file that differ by target. The final source's name stands in a C string
  // and is escaped; the #include takes its name without escapes, as written.
  const struct { int comp; const char *final, *macro; std::string code, copy, append; } cases[] = {
      {GCC, "X_new.C", "X_M.mac",
       head + "X_M.mac\"\nint main() {\nstdcom = fopen(\"X_new.C\",\"w\");\n",
       "  strcpy(&res[1], inp);", "  strcat(res, \"\\\"\");"},
      {MSC, "q\"\\.C", "d\\m.mac",
       head + "d\\m.mac\"\nint main() {\nfopen_s(&stdcom,\"q\\\"\\\\.C\",\"w\");\n",
       "  strcpy_s(&res[1], sizeRes, inp);", "  strcat_s(res, sizeRes, \"\\\"\");"},
  };
  for (const auto &c : cases) {
    ResetVorn();
    TempDir dir;
    comp = c.comp;
    ASSERT_EQ(openFiles("c.C", "m.mac"), 1);
    PrintHeaders(c.final, c.macro);
    in_text = 1;  // the epilogue ends an open text statement itself, not by the flush alone
    PrintText(CodeFile, "x");
    PrintEpilogue();
    EXPECT_EQ(ReadFile("c.C"), c.code + "x\");\nfclose(stdcom);\n}\n");
    const std::string m = ReadFile("m.mac");
    EXPECT_EQ(m.rfind("// C macro file\n#include <string.h>\n#include <stdlib.h>\n", 0), 0u);
    // A long prints with "%ld", short and int with "%d".
    EXPECT_NE(m.find("\ncase 3: frm[1]='d'; break;\ncase 4: frm[1]='l'; frm[2]='d'; frm[3]=0; "
                     "return(frm);\n"), std::string::npos);
    EXPECT_EQ(DropLines(m, 40), c.copy + "\n" + c.append + "\n  return(res);\n}\n");
  }
}

// The generated program compiles and runs: an empty input gives an empty final source, and the
// support library prints each type in its own format (a long beyond 2^31 too).
TEST(Prologue, GeneratedProgramCompilesAndRuns) {
  const struct { std::string input, final; } cases[] = {
      {"", ""},
      {"##long l = 3000000000L; short h = -2; char c = 'c'; double d = 2.5; int i = 7;\n"
       "##char *s = AddQuotes((char *)\"s\");\nv ##l## ##h## ##c## ##d## ##i## ##s##\n",
       "#line 3 \"s.C\"\nv 3000000000 -2 c 2.5 7 \"s\"\n"},
  };
  for (const auto &c : cases) {
    TempDir dir;
    ASSERT_EQ(Translate(c.input).ok, 1);
    EXPECT_EQ(BuildFinal(), c.final);
  }
}
