// The fixed beginning of both generated files, the end of the code file, and the generated
// program that the host gcc builds from them.
#include <gtest/gtest.h>

#include <algorithm>

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
    EXPECT_EQ(DropLines(m, MacroPrologueLines - 4), c.copy + "\n" + c.append + "\n  return(res);\n}\n");
  }
}

// The generated program compiles and runs: an empty input gives an empty final source, and the
// support library prints each type in its own format (a long beyond 2^31 too). Each case is one
// line of text after its "##" lines, and the final source's line after its directive.
TEST(Prologue, GeneratedProgramCompilesAndRuns) {
  const struct { std::string input, line; } cases[] = {
      {"", ""},
      {"##long l = 3000000000L; short h = -2; char c = 'c'; double d = 2.5; int i = 7;\n"
       "##char *s = AddQuotes((char *)\"s\");\nv ##l## ##h## ##c## ##d## ##i## ##s##\n",
       "v 3000000000 -2 c 2.5 7 \"s\""},
      {"##unsigned u = 4294967295u;\n= ##u## ##(unsigned)0##\n", "= 4294967295 0"},
      {"= ##sizeof(double[3])## ##18446744073709551615ul##\n", "= 24 18446744073709551615"},
      {"= ##-9223372036854775807LL - 1##\n", "= -9223372036854775808"},
      {"= ##18446744073709551615ull##\n", "= 18446744073709551615"},
      {"##const char *k = \"c s\";\n= ##k##\n", "= c s"},
      {"= ##1234567.25L## ##0.5L## ##1e30L##\n", "= 1234567.25 0.5 1e+30"},
      // The types C promotes to int keep "%d"; other pointers print nothing (and are reported).
      {"##enum E { EA, EB = 5 };\n= ##(unsigned char)200## ##(signed char)-3## "
       "##(unsigned short)65535## ##true## ##EB## <##(int *)0##> <##(const int *)0##>\n",
       "= 200 -3 65535 1 5 <> <>"},
      // Floating values: "%g" when it reads back, else the fewest digits that do.
      {"= ##0.5## ##100000.0## ##3.25## ##0.1## ##0.1f##\n", "= 0.5 100000 3.25 0.1 0.1"},
      {"= ##3.141592653589793## ##1e7+0.5## ##(float)3.141592653589793## ##1e-300/3##\n",
       "= 3.141592653589793 10000000.5 3.1415927 3.3333333333333334e-301"},
      {"= ##__builtin_inf()## ##-__builtin_inff()## ##__builtin_infl()## ##__builtin_nan(\"\")## "
       "##__builtin_nanl(\"\")##\n", "= inf -inf inf nan nan"},
  };
  for (const auto &c : cases) {
    TempDir dir;
    ASSERT_EQ(Translate(c.input).ok, 1);
    const std::string line = std::to_string(std::count(c.input.begin(), c.input.end(), '\n'));
    EXPECT_EQ(BuildFinal(), c.input.empty() ? "" : "#line " + line + " \"s.C\"\n" + c.line + "\n")
        << c.input;
  }
}
