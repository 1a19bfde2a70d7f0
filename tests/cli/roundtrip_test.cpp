// Round trip: a source without macro constructs comes back from the generator program as it
// was, apart from the "#line" lines put before some of its lines and the deliberate rewrite of
// a raw tab or newline inside a string literal into \t or \n.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <regex>
#include <sstream>

#include "harness.h"

using namespace std::string_literals;
namespace fs = std::filesystem;

static std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The final source of source, less its directive lines. Each directive must be a whole line
// naming s.C and, unless the text was rewritten, be followed by the source line it names.
static std::string RoundTrip(const std::string &source) {
  static const std::regex directive(R"(#line ([0-9]+) "s\.C"\r?)");
  TempDir dir;
  EXPECT_EQ(Translate(source).ok, 1);
  const std::string final = BuildFinal();
  const std::vector<std::string> in = Lines(source), out = Lines(final);
  std::string kept, misnamed;
  for (size_t i = 0; i < out.size(); i++) {
    std::smatch m;
    if (out[i].rfind("#line ", 0) != 0)
      kept += out[i] + "\n";  // a directive inside a line stays here, so the text differs
    else if (!std::regex_match(out[i], m, directive))
      ADD_FAILURE() << "malformed directive: " << out[i];
    else if (size_t n = std::stoul(m[1]);
             i + 1 < out.size() && (n > in.size() || out[i + 1] != in[n - 1]))
      misnamed += out[i] + "\n";
  }
  if (!final.empty() && final.back() != '\n') kept.pop_back();
  if (kept == source) EXPECT_EQ(misnamed, "") << "directives not followed by their line";
  return kept;
}

TEST(RoundTrip, TrickyTexts) {
  std::string high, control;  // bytes 0x80 to 0xFF; control characters but NUL, newline, tab
  for (int c = 1; c < 0x100; c++)
    if (c >= 0x80) high += static_cast<char>(c);
    else if (c < 0x20 && c != '\n' && c != '\t') control += static_cast<char>(c);
  const std::string texts[] = {
      "int a;\r\n/* c\r\n d */\r\n// e \"q\"\r\n\r\nchar *s = \"x\";\r\n",
      "a\0b '\0' \"\0\" /*\0*/ // \0\n\0\n"s,
      "h " + high + " \"" + high + "\" '" + high + "' /* " + high + " */ // " + high + "\n",
      "c \t" + control + " \"" + control + "\" '\t" + control + "' /*\t" + control + " */\n",
      "a\\b \\\\ x\\\n\"\\0\\123\\a\\e\\u00e9\\x41\" '\\0' '\\\\' '\\\"' L'\\n' end\\",
      "x = \"a\\\nb;\n",                            // a lone double quote
      "say \"unterminated\n",                       // and one at the end
      "s = \"a\\\nb\"; t = \"\\\\\"\n\"\\\n\";\n",     // strings continued by backslash-newline
      "s = \"a\\\r\nb\";\r\nt = \"c\";\r\n",               // the same with CRLF
      "r = R\"(a \"q\" \\n\t\nb)\" LR\"(x))\" u8R\"()\";\nx \"\n",  // raw strings
      "q = R\"sql(\n\t\"x\" )\" \n)sql\" R\"a\"(b)a\"\";\ny \"\n",  // with a delimiter
      "u8R\"x(a \"b\" c\" R\"y(d",                     // unterminated ones, the second
                                                       // found in the rest of the first
      "don't stop\nit's fine\nrock 'n' roll\n'\n",  // apostrophes pair across lines
      "/**/ /* a / b */ /*** a ***/ /* a **/\n/* multi\n line \"q\" \\ 'x */\n/*/ c */\n"
      "// line \"q\" \\ 'x\n/* a *// b */ y\n/* a *// x\n//\n\n// last",
      std::string(2500, 'a') + "\n" + std::string(17000, 'b') + "\n\"" + std::string(17000, 'c') +
          "\"\n/*" + std::string(17000, 'd') + "*/\n" + std::string(3000, '"') + "\n" +
          std::string(3000, '\\'),
      ""};
  for (const std::string &source : texts)
    EXPECT_EQ(RoundTrip(source), source) << "source: " << source.substr(0, 60);
  EXPECT_EQ(RoundTrip("char *t = \"a\tb\nc\";\n"), "char *t = \"a\\tb\\nc\";\n");
}

// text with CR LF line ends.
static std::string CrLf(const std::string &text) {
  std::string out;
  for (const std::string &line : Lines(text)) out += line + "\r\n";
  return out;
}

// A template with CR LF line ends, a macro block, macro lines, expressions and an include gives
// the final source of the same template with LF ends, with CR LF on every line, directives too.
TEST(RoundTrip, CrLfTemplate) {
  const std::string header = "##MSTART\nint sq(int v) { return v * v; }\n##MEND \n"
                             "#define NINE ##sq(3)##\n";
  const std::string source = "/* squares */\n##include \"sq.h\"\nstatic const int t[] = {\n"
                             "##for (int i = 0; i < 3; i++) {\n  ##sq(i)##, // i\n##}\n};\n"
                             "char *s = \"a\";\n";
  TempDir dir;
  WriteFile("sq.h", header);
  ASSERT_EQ(Translate(source).ok, 1);
  const std::string lf = BuildFinal();
  ASSERT_NE(lf.find("#define NINE 9\n"), std::string::npos) << lf;
  WriteFile("sq.h", CrLf(header));
  ASSERT_EQ(Translate(CrLf(source)).ok, 1);
  EXPECT_EQ(BuildFinal(), CrLf(lf));
}

// Every stride-th small file under /usr/include, in sorted order, that holds no "##", no "$"
// with a digit and no "#line": about 40 files, the same on every run on one machine.
TEST(RoundTrip, SystemHeaders) {
  static const std::regex macro(R"(##|\$[0-9]|#line)");
  std::vector<std::string> all;
  std::error_code ec;
  for (fs::recursive_directory_iterator it("/usr/include", ec), end; it != end; it.increment(ec))
    if (!it->is_symlink() && it->is_regular_file() && it->file_size() <= 65536)
      all.push_back(it->path());
  std::sort(all.begin(), all.end());
  int tried = 0, identical = 0;
  for (size_t i = 0; i < all.size(); i += all.size() / 40 + 1) {
    const std::string source = ReadFile(all[i]);
    if (std::regex_search(source, macro)) continue;
    const std::string kept = RoundTrip(source);
    tried++;
    identical += kept == source;
    // Otherwise only raw tabs and newlines of string literals may have become escapes.
    auto escaped = [](const std::string &text) {
      return std::regex_replace(std::regex_replace(text, std::regex("\t"), "\\t"),
                                std::regex("\n"), "\\n");
    };
    if (kept != source) EXPECT_EQ(escaped(kept), escaped(source)) << all[i];
  }
  if (tried == 0) GTEST_SKIP() << "no plain files under /usr/include";
  std::cout << "round trip: " << tried << " files, " << identical << " identical\n";
}

// A final source preprocesses like its template: gcc -E of both gives the same tokens on the
// same line numbers, whichever conditional groups are skipped (a directive inside a skipped
// group is ignored, but its line still counts).
TEST(RoundTrip, PreprocessedAlike) {
  const std::string texts[] = {
      "int printf(const char *, ...);\n#if 0\n/* a\n   b */\nint unused;\n#endif\n"
      "int main(void){printf(\"%d\\n\",__LINE__);}\n",
      "#ifdef NOPE\n/* a\n*/\nint a = __LINE__;\n#  if 1\nint b = __LINE__;\n#  endif\n"
      " # elifndef NOPE\nint f = __LINE__;\n#else\nint g;\n#endif\nint h = __LINE__;\n",
      "#if 1\n\n\nint a = __LINE__;\n#else\n\n\nint b = __LINE__;\n#endif\nint c = __LINE__;\n",
      "#if 0\nconst char *s = R\"sql(\n#endif\n)sql\";\n\n\nint x = __LINE__;\n#endif\n"
      "int y = __LINE__;\n",
      // Lines continued by a backslash-newline take no directive: an #elif over two lines, a
      // comment over lines inside a #define; CR LF as well.
      "#if 0\n/* a\n*/\nint a;\n#elif defined(A) || \\\n  defined(B)\nint b = __LINE__;\n#endif\n"
      "#define M(x) \\\n  /* c\n  */ \\\n  x\nint c = M(__LINE__);\n",
      "#ifdef NOPE\r\n\r\nint a;\r\n#else \\\r\n // c\r\nint b = __LINE__;\r\n#endif\r\n",
      // A directive among a macro's arguments: gcc prints the expansion in two parts.
      "#define F(x) x\nint a = F(\n  1\n\n  + __LINE__);\nint b = __LINE__;\n"};
  for (const std::string &text : texts) {
    TempDir dir;
    ASSERT_EQ(Translate(text).ok, 1);
    ASSERT_EQ(BuildFinal().rfind("#line 1", 0), 0u) << text;
    const std::string final = Preprocessed(dir.path, "s_new.C", "c++");
    EXPECT_EQ(final.substr(final.size() - 9), "status 0\n");
    EXPECT_EQ(final, Preprocessed(dir.path, "s.C", "c++")) << text;
  }
}

// Lines of placed (gcc -E output with named places, "file:N tokens") whose first token is a tag
// that names another place ("s_4": line 4 of s.C, "p_2": line 2 of p.h), and the tags of the
// template that placed lost.
static std::string Misplaced(const std::string &placed, const std::string &templateText) {
  static const std::regex tagged(R"(([a-z]+)\.[A-Za-z]+:([0-9]+) ([a-z]+)_([0-9]+).*)");
  static const std::regex tag(R"([a-z]+_[0-9]+)");
  std::string wrong, tokens;
  for (const std::string &line : Lines(placed)) {
    std::smatch m;
    if (std::regex_match(line, m, tagged) && (m[1] != m[3] || m[2] != m[4])) wrong += line + "\n";
    tokens += line.substr(line.find(' ') + 1) + "\n";
  }
  for (std::sregex_iterator it(templateText.begin(), templateText.end(), tag), end; it != end; ++it)
    if (tokens.find(it->str()) == std::string::npos) wrong += "lost " + it->str() + "\n";
  return wrong;
}

// Across include boundaries gcc -E of the final source puts every tagged line of the template
// where its tag says. A line that a backslash-newline joins to the one before it has no place
// of its own (gcc numbers it after the line it continues): it bears a plain word, no tag.
TEST(RoundTrip, PreprocessedInPlace) {
  struct Case {
    std::string source, includeName, include;
  };
  const Case cases[] = {
      // The include follows a continued line, or a // comment that swallows its first line.
      {"s_1\ns_2 \\\n##include \"p.h\"\ns_4\n", "p.h", "d\n"},
      {"s_1\ns_2 \\\n##include \"p.h\"\ns_4\n", "p.h", "d\np_2\n"},
      {"s_1\ns_2 // c \\\n##include \"p.h\"\ns_4\n", "p.h", "d\n"},
      // The include ends without a newline: after a backslash (and a CR), after a continued line.
      {"s_1\n##include \"i.h\"\nb\ns_4\n", "i.h", "i_1\\"},
      {"s_1\n##include \"i.h\"\nb\ns_4\n", "i.h", "i_1\\\r"},
      {"s_1\n##include \"i.h\"\ns_3\ns_4\n", "i.h", "i_1 \\\nq"},
  };
  for (const Case &c : cases) {
    TempDir dir;
    WriteFile(c.includeName, c.include);
    ASSERT_EQ(Translate(c.source).ok, 1);
    BuildFinal();
    const std::string placed = Preprocessed(dir.path, "s_new.C", "c++", "", true);
    EXPECT_EQ(placed.substr(placed.size() - 9), "status 0\n") << c.source << c.include;
    EXPECT_EQ(Misplaced(placed, c.source + c.include), "") << c.source << c.include << "\n"
                                                           << placed;
  }
}

// Wherever the template builds under the strictest flags, its final source does: no
// directive lands among the arguments of a macro call over several lines, and a byte-order
// mark stays the first bytes of the file.
TEST(RoundTrip, StrictFlagsAsTheTemplate) {
  const struct {
    std::string text;
    bool cxxOnly;
    std::string include = "";  // b.h
  } cases[] = {
      {"#define F(x) x\nint a = F(1 +\n\n  2);\n", false},                      // a blank line
      {"#define F(x) x\nint a = F(1 + /* c\n  d */\n  2);\n", false},           // a comment over lines
      {"#define F(x) x\nconst char *s = F(\"a\\\nb\");\nint b = F(1 +\n  2);\n", false},  // a continued string
      {"#define F(x) x\nconst char *s = F(R\"(a\nb)\"\n  );\n", true},          // a raw string over lines
      {"\xEF\xBB\xBFint a;\nint b;\n", false},                                 // a byte-order mark
      // An include's mark: first in the final source when its text comes first, else left out
      // as cpp leaves it out.
      {"##include \"b.h\"\nint c;\n", false, "\xEF\xBB\xBFint a;\n"},
      {"int c;\n##include \"b.h\"\n", false, "\xEF\xBB\xBFint a;\n"},
  };
  for (const auto &c : cases) {
    TempDir dir;
    WriteFile("b.h", c.include);
    ASSERT_EQ(Translate(c.text).ok, 1);
    BuildFinal();
    for (const std::string lang : {"c", "c++"}) {
      if (c.cxxOnly && lang == "c") continue;
      const std::string flags = std::string(VORN_HOST_GCC) + " -fsyntax-only -pedantic -Werror -x " + lang +
                                (lang == "c" ? " -std=c11 " : " -std=c++17 ");
      if (c.include.empty()) ASSERT_EQ(Shell(flags + "s.C 2>/dev/null"), 0) << "the template: " << c.text;
      EXPECT_EQ(Shell(flags + "s_new.C 2>err.txt"), 0) << lang << ": " << c.text << "\n"
                                                       << ReadFile("err.txt") << ReadFile("s_new.C");
    }
  }
}

// After a #line of the template's own, the final source's lines keep the file and line it
// gives them: Vorn's own directives go on with its numbering, with its name or the one before.
TEST(RoundTrip, TemplateLineDirectivesHold) {
  TempDir dir;
  WriteFile("inc.h", "int i;\n");
  ASSERT_EQ(Translate("#line 10 \"foo.c\"\nint a;\n##MSTART\n##MEND\nint b;\n# 40\n\nint c;\n"
                      "##include \"inc.h\"\nint d;\n  #  line 7 \"b\\\\\\\"r.y\" // c\nint e;\n##int k;\nint f;\n")
                .ok,
            1);
  BuildFinal();
  const std::string placed = Preprocessed(dir.path, "s_new.C", "c", "", true);
  // gcc writes the name escaped, as the directive holds it.
  EXPECT_EQ(placed, "foo.c:10 int a;\nfoo.c:13 int b;\nfoo.c:41 int c;\ninc.h:1 int i;\nfoo.c:43 int d;\n"
                    "b\\\\\\\"r.y:7 int e;\nb\\\\\\\"r.y:9 int f;\nstatus 0\n");
}
