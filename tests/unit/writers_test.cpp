// From the pieces of a template to the bytes of the code file in both forms: the designed
// form's print statements, and the compact form's program and text segments. The compact
// form must print what each designed statement prints, keep the one statement that macro
// code before it may govern, and write statements as they are where the code leaves the
// compiler inside a comment or on a continued line; it puts macro code at its template column.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "harness.h"

namespace {
std::string Dl(int line, const std::string &name = "s.C", const char *end = "\\n") {
  return "fprintf(stdcom, \"#line " + std::to_string(line) + " \\\"" + name + "\\\"" + end + "\");\n";
}
std::string Seg(int line, const std::string &name = "s.C", const char *end = "\n") {
  return "#line " + std::to_string(line) + " \"" + name + "\"" + end;
}
const std::string D = Dl(1);
const std::string NL = R"(fprintf(stdcom, "%c",'\n');)";
const std::string CR = R"(fprintf(stdcom, "%c",'\r');)";
std::string T(const std::string &text) { return R"(fprintf(stdcom,"%s",")" + text + "\");"; }
std::string S(int k) { return "_vs(" + std::to_string(k) + ");"; }
const std::string Epilogue = "return _vclose(_printFailed);\n}\n";
const std::string Folder(120, 'f');  // include names longer than any fixed buffer

struct WriterCase {
  std::string source;                 // s.C
  std::string designed, compact;      // the code after the opening of main
  std::vector<std::string> segments;  // the compact form's text segments
};
}  // namespace

TEST(Writers, BothFormsFromTheSamePieces) {
  const std::string x(3000, 'x');
  const WriterCase cases[] = {
      // A text statement is spilled at 2000 characters of code; the compact form prints the
      // run by one segment.
      {x + "\n", D + T(x.substr(0, 1979)) + "\n" + T(x.substr(1979)) + "\n" + NL,
       S(0) + "\n" + S(1) + "\n", {Seg(1), x + "\n"}},
      // An escape is never cut in two by the spill.
      {x.substr(0, 1978) + "\"\n", D + T(x.substr(0, 1978)) + "\n" + T("\\\"") + "\n" + NL,
       S(0) + "\n" + S(1) + "\n", {Seg(1), x.substr(0, 1978) + "\"\n"}},
      // Inserted code governs the one statement after it: a NUL parts a literal's statement.
      {std::string("a##.if (0)##\"x\0y\"\n", 18),
       D + T("a") + "\n#line 1 \"s.C\"\nif (0)" + T("\\\"x") + R"(fprintf(stdcom, "%c",'\0');)" +
           T("y\\\"") + "\n" + NL,
       S(0) + "\n" + S(1) + "\n#line 1 \"s.C\"\n    if (0)" + S(2) + "\n" + S(3) + "\n",
       {Seg(1), "a", "\"x", std::string("\0y\"\n", 4)}},
      // On line 1 the directive goes ahead of the pending literal.
      {"\"s\"\n", D + T("\\\"s\\\"") + "\n" + NL, S(0) + "\n" + S(1) + "\n", {Seg(1), "\"s\"\n"}},
      // Names stand in the statement's format, and as they are in the segment.
      {"##include \"5%.h\"\n", Dl(1, "5%%.h") + T("x") + "\n" + NL, S(0) + "\n" + S(1) + "\n",
       {Seg(1, "5%.h"), "x\n"}},
      {"##include <d\"q.h>\n", Dl(1, "d\\\\\\\"q.h") + T("x") + "\n" + NL, S(0) + "\n" + S(1) + "\n",
       {Seg(1, "d\\\"q.h"), "x\n"}},
      {"##include \"" + Folder + "/" + Folder + "/" + Folder + ".h\"\n",
       Dl(1, Folder + "/" + Folder + "/" + Folder + ".h") + T("x") + "\n" + NL,
       S(0) + "\n" + S(1) + "\n", {Seg(1, Folder + "/" + Folder + "/" + Folder + ".h"), "x\n"}},
      // On line 1 of an include the directive may go ahead of text already pending: it
      // prints first in both forms.
      {"##include \"j.h\"\n##;\n##include \"j.h\"\n",
       Dl(1, "j.h") + T("abc") + "\n" + NL + T("x") + "\n" + NL + "\n#line 2 \"s.C\"\n;\n" + Dl(1, "j.h") +
           T("abc") + "\n" + NL + T("x") + "\n" + NL,
       S(0) + "\n" + S(1) + "\n#line 2 \"s.C\"\n  ;\n" + S(2) + "\n" + S(3) + "\n",
       {Seg(1, "j.h"), "abc\nx\n", Seg(1, "j.h"), "abc\nx\n"}},
      // A CR LF template's directives end in CR LF.
      {"x\r\n", Dl(1, "s.C", "\\r\\n") + T("x") + "\n" + CR + NL, S(0) + "\n" + S(1) + "\n",
       {Seg(1, "s.C", "\r\n"), "x\r\n"}},
      // Code that ends in a line comment, or a macro line continued by a backslash (before LF
      // or CR LF): the statements up to the next code stay as the designed form writes them.
      {"a##.x++; //##t\n", D + T("a") + "\n#line 1 \"s.C\"\nx++; //" + T("t") + "\n" + NL,
       S(0) + "\n" + S(1) + "\n#line 1 \"s.C\"\n    x++; //" + T("t") + "\n" + NL, {Seg(1), "a"}},
      {"##int k = 1; \\\nx\n", "\n#line 1 \"s.C\"\nint k = 1; \\\n" + Dl(2) + T("x") + "\n" + NL,
       "#line 1 \"s.C\"\n  int k = 1; \\\n" + Dl(2) + T("x") + "\n" + NL, {}},
      {"##int k = 1; \\\r\nx\r\n",
       "\n#line 1 \"s.C\"\nint k = 1; \\\r\n" + Dl(2, "s.C", "\\r\\n") + T("x") + "\n" + CR + NL,
       "#line 1 \"s.C\"\n  int k = 1; \\\r\n" + Dl(2, "s.C", "\\r\\n") + T("x") + "\n" + CR + NL, {}},
  };
  TempDir dir;
  for (const std::string &name : {std::string("5%.h"), std::string("d\"q.h")}) WriteFile(name, "x\n");
  WriteFile("j.h", "abc\nx\n");
  mkdir(Folder.c_str(), 0755);
  mkdir((Folder + "/" + Folder).c_str(), 0755);
  WriteFile(Folder + "/" + Folder + "/" + Folder + ".h", "x\n");
  for (const WriterCase &c : cases) {
    SCOPED_TRACE(c.source.substr(0, 60));
    Generated designed = Translate(c.source);
    ASSERT_EQ(designed.ok, 1);
    EXPECT_EQ(designed.code, c.designed + Epilogue);
    Generated compact = Translate(c.source, {}, "s.C", true);
    ASSERT_EQ(compact.ok, 1);
    EXPECT_EQ(compact.code, c.compact + Epilogue);
    EXPECT_EQ(compact.segments, c.segments);
  }
}
