// How the scanner cuts a source into pieces, seen in the code file that the translation
// writes (after the prologue, before the epilogue) and in the macro file.
#include <gtest/gtest.h>

#include "harness.h"

// The final-source directive statement for line 1, a text statement, the newline statement
// and a copied macro line, as the code file holds them.
static std::string Dl(int line) {
  return "fprintf(stdcom, \"#line " + std::to_string(line) + " \\\"s.C\\\"\\n\");\n";
}
static const std::string D = Dl(1);
static const std::string NL = R"(fprintf(stdcom, "%c",'\n');)";
static const std::string BS = R"(fprintf(stdcom, "%c",'\\');)";
static std::string T(const std::string &text) { return R"(fprintf(stdcom,"%s",")" + text + "\");"; }
static std::string M(int line, const std::string &code) {
  return "\n#line " + std::to_string(line) + " \"s.C\"\n" + code + "\n";
}

struct PieceCase {
  std::string source, code, macro;
};

TEST(Translate, ScannerPieces) {
  const std::string longLine(17000, ' ');
  const PieceCase cases[] = {
      {"##include <AN>", ""},  // unterminated include line at the end: dropped
      {"##include <a.h>", D + T("##include <a.h>") + "\n"},  // no newline: ordinary text
      {"##MSTART \t \nint v;\n##MEND\n", "", "#line 2 \"s.C\"\nint v;\n"},
      {"##MENDX\n##MSTARTX\n", M(1, "MENDX") + M(2, "MSTARTX")},
      // A CR among the closing blanks is a CR LF line end; anywhere else it is text.
      {"##MSTART\r\nint v;\r\n##MEND \t\r\n", "", "#line 2 \"s.C\"\nint v;\r\n"},
      {"##MEND\rX\n##MSTART\rX\n", M(1, "MEND\rX") + M(2, "MSTART\rX")},
      {"  ##MSTART\n", D + T("  ##MSTART") + "\n" + NL},
      {"##\n##.\n", M(1, "") + M(2, ".")},
      {"##include<a.h>\n##include a.h\n##include <a.h\n",
       M(1, "include<a.h>") + M(2, "include a.h") + M(3, "include <a.h")},
      {"##int v" + longLine + ";\n", M(1, "int v" + longLine + ";")},  // longer than the buffer
      // An embedded expression and inserted code each take a directive for the compiler.
      {"x##y##z##.y++;##\n", D + T("x") + "\n#line 1 \"s.C\"\n" +
                                 "fprintf(stdcom,_printType(_ftype1(y)),y);" + T("z") +
                                 "\n#line 1 \"s.C\"\ny++;" + NL},
      {"a##a#b## $0 $(x) $12\n", D + T("a##a#b## $0 $(x) w2") + "\n" + NL},
      {"'a' '\\'' L'a' LL'a'\n", D + T("") + T("'a'") + T(" ") + T(R"('\\'')") + T(" ") +
                                     T("L'a'") + T(" L") + T("L'a'") + NL},
      {R"("" "str" L"w" "a\"b")" "\n", D + T(R"(\"\" \"str\" L\"w\" \"a\\\"b\")") + "\n" + NL},
      {"/**/ /* a / b */ /*** a ***/ /* a **/\n",
       D + T("/**/") + T(" ") + "\n" + T("/* a / b */") + T(" ") + "\n" + T("/*** a ***/") +
           T(" ") + "\n" + T("/* a **/") + NL},
      {"/*/ c */ /* a *// b */\n", D + T("/*/ c */ ") + "\n" + T("/* a *// b */") + NL},
      {"/* a *// x\n", D + T("/* a */") + T("/ x") + "\n" + NL},
      {"// c\n//\nx // c", D + T("// c") + "\n\n" + R"(fprintf(stdcom,"\n");)" "\n" + T("//") +
                               "\n\n" + R"(fprintf(stdcom,"\n");)" "\n" + T("x // c") + "\n"},
      {"don't\nit's\n", D + T("don") + T(R"('t\nit')") + T("s") + "\n" + NL},
      {"ANAN ANA\n", D + T("ANAN") + T(" ") + "\n" + T("AN") + T("A") + "\n" + NL},
      // \## is text; a backslash elsewhere, or in a literal or comment, is what it was.
      {"a\\##b\\##c \"\\##\" /* \\## */ x \\\\## y\n",
       D + T(R"(a##b##c \"\\##\" )") + "\n" + T(R"(/* \\## */)") + T(" x ") + "\n" +
           BS + T("## y") + "\n" + NL},
      // Raw strings with a delimiter (a double quote may be in it) keep every byte; the line
      // after one that spans lines needs no directive, as the final source has its lines too.
      {"r = R\"x(a)\"b\n\t)x\" LR\"a\"(q)a\"\"\nz\n",
       D + T("r = R\\\"x(a)\\\"b\\n\t)x\\\" LR\\\"a\\\"(q)a\\\"\\\"") + "\n" + NL + T("z") + "\n" + NL},
      // 16 delimiter characters at most; more make a string literal, whose tab is shown as \t.
      {"R\"0123456789abcdef(\t)0123456789abcdef\" R\"0123456789abcdefg(\t)0123456789abcdefg\"\n",
       D + T(R"(R\"0123456789abcdef()" "\t" R"()0123456789abcdef\" )"
             R"(R\"0123456789abcdefg(\\t)0123456789abcdefg\")") + "\n" + NL},
      // Unterminated at the end: the prefix and R as text, then a string literal.
      {"u8R\"ab(c\n\"d\"", D + T(R"(u8R\"ab(c\\n\"d\")") + "\n"},
      // A conditional line of a macro block is not followed: the "#else" of the text ends no
      // stretch with a directive inside a group.
      {"##MSTART\n#if 1\n##MEND\n/* c\n*/\nx\n#else\ny\n",
       Dl(4) + T(R"(/* c\n*/)") + NL + T("x") + "\n" + NL + T("#else") + "\n" + NL + T("y") + "\n" + NL,
       "#line 2 \"s.C\"\n#if 1\n"},
      // Lines copied one for one take no directive, a comment over lines included. Text after
      // an #else or #endif gets a directive again when one was written inside the group.
      {"#if 0\n/* c\n*/\n##int k;\nx\n#else\ny\n#ifx\n#endif\nz\n",
       D + T("#if 0") + "\n" + NL + T(R"(/* c\n*/)") + NL + M(4, "int k;") + Dl(5) + T("x") + "\n" + NL +
           T("#else") + "\n" + NL + Dl(7) + T("y") + "\n" + NL + T("#ifx") + "\n" + NL + T("#endif") +
           "\n" + NL + Dl(10) + T("z") + "\n" + NL},
      // No directive on a line that a backslash-newline continues: it waits for the next line.
      {"#define M \\\n  /* a\n  */ \\\n##int k;\n  x\nz\n",
       D + T("#define M ") + "\n" + BS + NL + T("  ") + "\n" + T(R"(/* a\n  */)") + T(" ") + "\n" + BS +
           NL + M(4, "int k;") + T("  x") + "\n" + NL + Dl(6) + T("z") + "\n" + NL},
  };
  TempDir dir;
  for (const PieceCase &c : cases) {
    Generated g = Translate(c.source, {"w"});
    ASSERT_EQ(g.ok, 1) << c.source;
    EXPECT_EQ(g.code, c.code + "return _vclose(_printFailed);\n}\n") << "source: " << c.source;
    EXPECT_EQ(g.macro, c.macro) << "source: " << c.source;
  }
}
