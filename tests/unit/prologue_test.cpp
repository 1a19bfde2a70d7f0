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
    EXPECT_EQ(ReadFile("c.C"), c.code + "x\");\nreturn _vclose(_printFailed);\n}\n");
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
      // AddQuotes takes a const char * as well.
      {"##const char *names[] = {\"a b\"};\n= ##AddQuotes(names[0])##\n", "= \"a b\""},
      {"##unsigned u = 4294967295u;\n= ##u## ##(unsigned)0##\n", "= 4294967295 0"},
      // Beyond the largest long long an unsigned value takes its suffix; the smallest value of a
      // signed type is an expression of that type.
      {"= ##sizeof(double[3])## ##18446744073709551615ul## ##9223372036854775807ul##\n",
       "= 24 18446744073709551615UL 9223372036854775807"},
      {"= ##-9223372036854775807LL - 1## ##-2147483647 - 1## ##-9223372036854775807L - 1##\n",
       "= (-9223372036854775807LL - 1) (-2147483647 - 1) (-9223372036854775807L - 1)"},
      {"= ##18446744073709551615ull##\n", "= 18446744073709551615ULL"},
      {"##const char *k = \"c s\";\n= ##k##\n", "= c s"},
      {"= ##1234567.25L## ##0.5L## ##1e30L##\n", "= 1234567.25 0.5 1e+30"},
      // The types C promotes to int keep "%d".
      {"##enum E { EA, EB = 5 };\n= ##(unsigned char)200## ##(signed char)-3## "
       "##(unsigned short)65535## ##true## ##EB##\n",
       "= 200 -3 65535 1 5"},
      // Floating values: "%g" when it reads back, else the fewest digits that do; always with a
      // point or an exponent.
      {"= ##0.5## ##100000.0## ##3.25## ##0.1## ##0.1f## ##2.0## ##-0.0## ##1e300## ##1e6f## "
       "##123456789.0## ##2.0L##\n",
       "= 0.5 100000.0 3.25 0.1 0.1 2.0 -0.0 1e+300 1e+06 123456789.0 2.0"},
      {"= ##3.141592653589793## ##1e7+0.5## ##(float)3.141592653589793## ##1e-300/3##\n",
       "= 3.141592653589793 10000000.5 3.1415927 3.3333333333333334e-301"},
      {"= ##__builtin_inf()## ##-__builtin_inff()## ##__builtin_infl()## ##__builtin_nan(\"\")## "
       "##-__builtin_nanl(\"\")##\n",
       "= __builtin_inf() (-__builtin_inf()) __builtin_inf() __builtin_nan(\"\") "
       "(-__builtin_nan(\"\"))"},
  };
  for (const auto &c : cases) {
    TempDir dir;
    ASSERT_EQ(Translate(c.input).ok, 1);
    const std::string line = std::to_string(std::count(c.input.begin(), c.input.end(), '\n'));
    EXPECT_EQ(BuildFinal(), c.input.empty() ? "" : "#line " + line + " \"s.C\"\n" + c.line + "\n")
        << c.input;
  }
}

// Each floating value prints as a constant of a floating type that holds the same bits: the
// final source, compiled as C, compares each printed constant with the value written there
// (both NaN, or equal; the same sign; float and double also byte for byte). Each row: the
// type, the value as the generator and the final source write it, and what follows "##"
// (a suffix, or an operator that a whole value must not turn into integer arithmetic).
TEST(Prologue, FloatingValuesPrintAsFloatingConstants) {
  const struct { const char *type, *value, *suffix; } rows[] = {
      {"double", "2.0", ""}, {"double", "-0.0", ""}, {"double", "100000.0", ""},
      {"double", "1e300", ""}, {"double", "0.1", ""}, {"double", "-123456789.0", ""},
      {"double", "DBL_MAX", ""}, {"double", "-DBL_MAX", ""}, {"double", "DBL_MIN", ""},
      {"double", "DBL_TRUE_MIN", ""}, {"double", "DBL_EPSILON", ""},
      {"float", "2.0f", "f"}, {"float", "-0.0f", "f"}, {"float", "16777216.0f", "f"},
      {"float", "FLT_MAX", "f"}, {"float", "FLT_MIN", "f"}, {"float", "FLT_TRUE_MIN", "f"},
      {"float", "(float)0.1", "f"},
      {"long double", "2.0L", "L"}, {"long double", "-0.0L", "L"}, {"long double", "LDBL_MAX", "L"},
      {"long double", "LDBL_MIN", "L"}, {"long double", "LDBL_TRUE_MIN", "L"},
      {"long double", "0.1L", "L"},
      {"double", "__builtin_inf()", ""}, {"double", "-__builtin_inf()", ""},
      {"float", "__builtin_inff()", ""}, {"long double", "-__builtin_infl()", ""},
      {"double", "__builtin_nan(\"\")", ""}, {"double", "-__builtin_nan(\"\")", ""},
      {"float", "__builtin_nanf(\"\")", ""}, {"long double", "-__builtin_nanl(\"\")", ""},
      // A whole value divides as a floating one; with the cast the template asks for an int.
      {"double", "(1 / 2.0) * 4", " / 4 * 2"}, {"double", "(int)(8.0 / 4)", " / 4"},
  };
  std::string source =
      "##MSTART\n#include <float.h>\n##MEND\n#include <float.h>\n#include <math.h>\n"
      "#include <stdio.h>\n#include <string.h>\nstatic int bad;\n"
      "#define SAME(T, x, y) { T a = x, b = y; if (!((a == b || (a != a && b != b)) && "
      "!signbit(a) == !signbit(b) && (sizeof a > 8 || !memcmp(&a, &b, sizeof a)))) "
      "{ printf(\"%s\\n\", #x); bad = 1; } }\nint main(void) {\n";
  for (const auto &r : rows)
    source += std::string("SAME(") + r.type + ", ##" + r.value + "##" + r.suffix + ", " + r.value +
              (r.suffix[0] == ' ' ? r.suffix : "") + ")\n";
  source += "return bad; }\n";
  TempDir dir;
  ASSERT_EQ(Translate(source).ok, 1);
  ASSERT_EQ(BuildFinal().substr(0, 1), "#") << ReadFile("gcc.err");
  ASSERT_EQ(Shell(std::string(VORN_HOST_GCC) + " -x c -o check s_new.C -lm 2>check.err"), 0)
      << ReadFile("check.err");
  EXPECT_EQ(Shell("./check >differ"), 0) << ReadFile("differ");
}

// Each integer value reads back as itself, in C and in C++ with every warning an error: the
// limits of each type (the smallest value of a signed type as an expression of that type), and
// __int128 values beyond 64 bits, for which C has no literal. Each row: the type the printed
// value must have ("" for any), and the value as the generator and the final source write it.
TEST(Prologue, IntegerValuesReadBackAsThemselves) {
  const struct { const char *type, *value; } rows[] = {
      {"int", "INT_MIN"}, {"", "INT_MAX"}, {"long", "LONG_MIN"}, {"", "LONG_MAX"},
      {"long long", "LLONG_MIN"}, {"", "LLONG_MAX"}, {"", "UINT_MAX"},
      {"unsigned long", "ULONG_MAX"}, {"unsigned long long", "ULLONG_MAX"},
      {"", "(unsigned long)LONG_MAX"},
      {"", "((__int128)1 << 100)"}, {"", "(-((__int128)1 << 100))"},
      {"", "(-(__int128)(~(unsigned __int128)0 >> 1) - 1)"}, {"", "(__int128)LLONG_MIN"},
      {"", "(__int128)-5"}, {"", "(~(unsigned __int128)0)"}, {"", "(unsigned __int128)ULLONG_MAX"},
  };
  std::string source =
      "##MSTART\n#include <limits.h>\n##MEND\n#include <limits.h>\n#ifdef __cplusplus\n"
      "#include <type_traits>\n#define TYPED(T, x) std::is_same<decltype(x), T>::value\n"
      "#define ASSERT static_assert\n#else\n#define TYPED(T, x) _Generic((x), T: 1, default: 0)\n"
      "#define ASSERT _Static_assert\n#endif\n";
  for (const auto &r : rows)
    source += std::string("ASSERT(") + (r.type[0] ? std::string("TYPED(") + r.type + ", ##" + r.value + "##) && " : "") +
              "##" + r.value + "## == " + r.value + ", \"" + r.value + "\");\n";
  TempDir dir;
  ASSERT_EQ(Translate(source).ok, 1);
  ASSERT_EQ(BuildFinal().substr(0, 1), "#") << ReadFile("gcc.err");
  for (std::string lang : {"-x c -std=c11", "-x c++ -std=c++17"})
    EXPECT_EQ(Shell(std::string(VORN_HOST_GCC) + " " + lang + " -Wall -Wextra -Werror -fsyntax-only s_new.C "
                    "2>check.err"), 0)
        << lang << ReadFile("check.err") << ReadFile("s_new.C");
}

// CString gives a literal that holds exactly the bytes of its string, in C and in C++, with
// trigraphs read (-std=c11, -std=c++11) or not: every byte 1 to 255 alone, before a digit that
// could extend an escape and after a '?', and strings with quotes, backslashes, trigraphs and
// UTF-8. The final source compares each literal with the string's bytes, which the generator
// writes as numbers. Several results stand in one statement.
TEST(Prologue, CStringGivesTheStringsBytes) {
  const std::string source =
      "##MSTART\nstatic char k[4];\nconst char *Strings[] = {\"say \\\"hi\\\"\", \"C:\\\\temp\\\\new\","
      " \"?\?=x ?\?/ ?\?' ?\", \"a?\?\?b?\?\", \"caf\\xc3\\xa9 \\xe2\\x9c\\x93\", \"\\t\\n\\r\\x01\" \"7\", \"\"};\n"
      "void Bytes(const char *s) { for (; *s; s++) fprintf(stdcom, \"%d,\", (unsigned char)*s); }\n"
      "##MEND\n#include <stdio.h>\n#include <string.h>\nstatic int bad;\n"
      "static void same(const char *lit, size_t n, const int *want) {\n"
      "  for (size_t i = 0; i < n; i++) bad |= (unsigned char)lit[i] != want[i];\n"
      "  bad |= want[n] != -1; }\n"
      "#define CHECK(lit, ...) { static const int want[] = {__VA_ARGS__ -1}; "
      "same(lit, sizeof lit - 1, want); }\nint main(void) {\n"
      "##for (int b = 1; b < 256; b++) for (int form = 0; form < 3; form++) {\n"
      "##  k[0] = form == 2 ? '?' : (char)b; k[1] = form == 0 ? 0 : form == 1 ? '7' : (char)b;\n"
      "CHECK(##CString(k)##, ##.Bytes(k);##)\n"
      "##}\n"
      "##for (int i = 0; i < 7; i++) {\n"
      "CHECK(##CString(Strings[i])##, ##.Bytes(Strings[i]);##)\n"
      "##}\n"
      " ##.fprintf(stdcom, \"if (strcmp(%s, %s)) bad = 1;\", CString(\"x\"), CString(\"x\"));##\n"
      "return bad; }\n";
  TempDir dir;
  ASSERT_EQ(Translate(source).ok, 1);
  ASSERT_EQ(BuildFinal().substr(0, 1), "#") << ReadFile("gcc.err");
  EXPECT_NE(ReadFile("s_new.C").find("CHECK(\"caf\\303\\251 \\342\\234\\223\", 99,97,102,195,169,"),
            std::string::npos);
  for (std::string std : {"-x c -std=c11", "-x c", "-x c++ -std=c++11", "-x c++"}) {
    ASSERT_EQ(Shell(std::string(VORN_HOST_GCC) + " " + std + " -o check s_new.C 2>check.err"), 0)
        << std << ReadFile("check.err");
    EXPECT_EQ(Shell("./check"), 0) << std;
  }
}
