// The compact form of the generator program (--compact) changes the code file
// only: the final source, the macro file, Vorn's messages and its exit status
// must be those of the default form for every input, and the compact code file
// must keep the limits it promises to other compilers.
#include <gtest/gtest.h>

#include <regex>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "build/cache.h"
#include "harness.h"
#include "random_template.h"

namespace fs = std::filesystem;

namespace {

// The files of one input, by name.
using Files = std::map<std::string, std::string>;

// What one run of vorn left behind.
struct Outcome {
  RunResult run;
  std::string final, macro, code;
  std::string segments;   // the compact form's text segments
  std::string left;       // the final source as the run left it
  bool compiled = false;  // gcc built the generator program
};

// A file's contents, told apart from a missing file.
std::string Contents(const std::string &name) {
  return fs::exists(name) ? ReadFile(name) : "<no file " + name + ">";
}

// Runs vorn on files in a directory of its own, in the default or the compact
// form, with the cache folder cache when one is named.
Outcome RunOn(const Files &files, std::vector<std::string> args, bool compact,
              const std::string &cache = "") {
  TempDir dir;
  for (const auto &[name, text] : files) WriteFile(name, text);
  if (compact) args.insert(args.begin(), "--compact");
  if (!cache.empty()) args.insert(args.begin(), "--cache=" + cache);
  Outcome o;
  o.run = RunVorn(args);
  o.left = Contents("s_new.C");
  o.final = WrittenFinal("s");
  o.macro = Contents("s_M.mac");
  o.code = Contents("s_C.C");
  o.segments = Contents("s_C.dat");
  o.compiled = fs::exists("s_C.exe");
  return o;
}

// Bytes made readable in a message.
std::string Shown(const std::string &text) {
  std::string out;
  for (unsigned char c : text) {
    if (c == '\\') out += "\\\\";
    else if (c == '\n') out += "\\n";
    else if (c >= 0x20 && c < 0x7F) out += static_cast<char>(c);
    else {
      char buf[8];
      snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    }
  }
  return out;
}

// Empty when the two are equal, else where they part, with some text of each.
std::string Parting(const std::string &plain, const std::string &compact) {
  if (plain == compact) return "";
  size_t at = std::mismatch(plain.begin(), plain.begin() + std::min(plain.size(), compact.size()),
                            compact.begin()).first - plain.begin();
  size_t from = at > 60 ? at - 60 : 0;
  return "at byte " + std::to_string(at) + " of " + std::to_string(plain.size()) + "/" +
         std::to_string(compact.size()) + "\n  default: " + Shown(plain.substr(from, 160)) +
         "\n  compact: " + Shown(compact.substr(from, 160));
}

// Runs an input in both forms and reports every difference. The compiler's
// own messages name lines of the code file, which differ between the forms,
// so standard error is compared only where the default form compiled, and
// without the compiler's warnings.
// The compact runs go through a cache, first cold (the program is compiled and
// stored), then warm (the stored program runs): the warm run must leave what
// the cold one left.
void ExpectSameRun(const std::string &what, const Files &files,
                   const std::vector<std::string> &args) {
  static int inputs = 0;  // a cache of its own for each input, so that the first run compiles
  const std::string cache = testing::TempDir() + "vorn-compact-cache-" + std::to_string(getpid()) +
                            "-" + std::to_string(++inputs);
  const Outcome plain = RunOn(files, args, false), compact = RunOn(files, args, true, cache);
  const std::pair<const char *, std::pair<std::string, std::string>> parts[] = {
      {"final source", {plain.final, compact.final}},
      {"macro file", {MacroAfterSupport(plain.macro, false), MacroAfterSupport(compact.macro, true)}},
      {"standard output", {plain.run.out, compact.run.out}},
      {"exit status", {std::to_string(plain.run.status), std::to_string(compact.run.status)}},
      {"standard error", {WithoutCompilerNotes(plain.run.err),
                          WithoutCompilerNotes(plain.compiled ? compact.run.err : plain.run.err)}}};
  for (const auto &[part, texts] : parts) {
    const std::string parting = Parting(texts.first, texts.second);
    if (!parting.empty()) ADD_FAILURE() << what << ": " << part << " differs " << parting;
  }
  if (!compact.compiled) return;
  const Outcome warm = RunOn(files, args, true, cache);
  const std::pair<const char *, std::pair<std::string, std::string>> again[] = {
      {"final source", {compact.left, warm.left}},
      {"standard output", {compact.run.out, warm.run.out}},
      {"exit status", {std::to_string(compact.run.status), std::to_string(warm.run.status)}},
      {"standard error", {WithoutCompilerNotes(compact.run.err), warm.run.err}}};
  for (const auto &[part, texts] : again) {
    const std::string parting = Parting(texts.first, texts.second);
    if (!parting.empty()) ADD_FAILURE() << what << ", warm cache: " << part << " differs " << parting;
  }
  if (warm.compiled) ADD_FAILURE() << what << ": the warm cache compiled again";
  fs::remove_all(cache);
}

// Every regular file of the working directory.
Files FilesHere() {
  Files files;
  for (const fs::directory_entry &entry : fs::directory_iterator("."))
    if (entry.is_regular_file()) files[entry.path().filename()] = ReadFile(entry.path());
  return files;
}

// Templates where the compact form must keep exactly what the compiler makes
// of the default form's statements: code that governs or uses the one print
// statement after it, and code whose comments, literals and continued lines
// take in the print statements that follow.
struct Tricky {
  const char *what;
  std::string source;
  std::vector<std::string> args = {"s.C"};
  Files more = {};  // files beside the template
};

std::vector<Tricky> TrickyTemplates() {
  using namespace std::string_literals;
  std::string longRun;  // more than one fwrite statement prints it
  for (int i = 0; longRun.size() < 70000; i++)
    longRun += "line " + std::to_string(i) + " of a run longer than one statement may print\n";
  // Letters and marks that begin a piece only before certain characters,
  // inside words and at every offset of the scanner's 64 KiB buffer.
  const std::string marks =
      "fooL'x' barL\"s\" xu8R\"(raw)\" yuR\"(r)\" zUR\"(q)\" wR\"(p)\" vLR\"d(e)d\" u8x uu8 "
      "ANAN zAN zAM a/b a/*c*/d x$1y x$0 x$ q##2##r \\##z u8R\"open uR\"( AN\tu\tL\tA\n"
      " \t#if 1\n  x\n  #else\n  # endif\n    \n  /* c */ \"s\" 'c'\n\t$1 u8R\"(r)\"\n";
  std::string wideMarks;
  for (int i = 0; wideMarks.size() < 140000; i++) wideMarks += std::string(i % 7, ' ') + marks;
  return {
      {"characters that begin pieces inside ordinary text",
       "##int two = 2;\n" + marks + "a//e\n#if 0\nk #if\n\t #endif\nAN\nu\nL\n$\n/\n",
       {"-cs", "-M", "w1"}},
      {"such characters across the scanner's buffer", "##int two = 2;\n" + wideMarks,
       {"-cs", "-M", "w1"}},
      {"line bookkeeping inside runs of whole lines",
       "##int k = 1;\nfirst\nint a = 1 + \\\n  2;\nafter splice\n\n   \n\t\nx\n#if 1\n##k = 2;\n"
       "inside group\n  #endif\nafter endif\r\nwith CR\r\n##include \"part.h\"\nafter include\n"
       "last line without newline",
       {"s.C"},
       {{"part.h", "p1\n\np3 \\\np4\nno newline at its end"}}},
      {"line directives naming an include file with %, \\ and a space",
       "##int x = 1;\na\n##include \"50% of a\\b.h\"\nb ##x##\n", {"s.C"},
       {{"50% of a\\b.h", "in\n\nthe include\n"}}},
      {"an include's directive written ahead of its first line's text",
       "##int x = 1;\n##include \"j.h\"\n##x = 2;\n##include \"j.h\"\n##if (x)\n##include \"j.h\"\n",
       {"s.C"},
       {{"j.h", "abc\nx\n"}}},
      {"macro lines continued by a backslash before CR LF",
       "##int k = 1; \\\r\nkept\r\n##if (k) \\\r\n\r\nnext\r\n##k = 3; \\\r\n##k++;\r\nend ##k##\r\n"},
      {"unbraced if",
       "##int x = 0, y = 1;\na ##.if (x)##skipped when x is 0\nb ##.if (y)##kept\n"
       "c ##.if (x)##\nd ##.if (x)##\tafter a tab\ne ##.y = 2; while (y-- > 0)##rep \n"},
      {"if before a word, literal or comment",
       "a ##.if (0)##$1 tail\nb ##.if (1)##$2\nc ##.if (0)##\"lit\" tail\n"
       "d ##.if (0)##/* c */ tail\ne ##.if (0)##'q' tail\nf ##.if (0)##// rest\ng\n",
       {"-cs", "-M", "w\"1\\", "x y"}},
      {"line comment in inserted code",
       "##int k = 0;\na ##.k++; // c##tail on the same line\nk=##k##\n"
       "b ##.k++; /* c */##tail kept\nc ##.k++; // c \\##\nnext line\nk=##k##\n"},
      {"macro line ending in backslash",
       "##int x = 1 + \\\ntext after a continued macro line\n##// a note \\\nanother line\n"
       "x=##x##\n"},
      {"loop without braces",
       "##for (int i = 0; i < 3; i++)\ntext line under a loop\n##int j = 0;\n"
       "##for (j = 0; j < 2; j++)\nx\ny ##j##\n"},
      {"value of the statement after code",
       "q ##.int n = ##abc\nn=##n##\nr ##.int m = ##\nm=##m##\n"},
      {"trigraph-like text",
       "##int t = 1;\ntrig ?\?= ?\?/ ?\?' ?\?( ?\?) ?\?! ?\?< ?\?> ?\?- ?\?\?= ?\?? \"?\?=\" '?'\n"
       "/* ?\?= */ // ?\?/\nt=##t##\n"},
      {"block comment opened in code",
       "##int z = 0; /* from here\ntext inside the comment\n##*/ z = 5;\nz=##z##\n"
       "a ##./*##hidden text\nmore hidden\n##*/ int w = 1;\nw=##w##\n"},
      {"brace opened in inserted code",
       "##int c = 0;\na ##.if (c) {##hidden\nmore hidden\nb ##.}##shown\n"},
      {"preprocessor lines",
       "###if 0\ndropped text\n###endif\n###define TWICE(v) (2 * (v))\nt=##TWICE(21)##\n"},
      {"the program's own prints",
       "100% ##.fprintf(stdcom, \"<%d>\", 7);## %d %s\n"
       "x ##.fprintf(stderr, \"note\\n\"); puts(\"out\");##y\n"},
      {"literals in inserted code",
       "a ##.const char *u = \"http://x\"; if (u[0] == 0)##hidden\n"
       "b ##.char q = '\"'; if (q == 0)##hidden\nc ##.int big = 1'000; if (big < 0)##hidden\n"
       "d ##.if (0) /* \"' */##hidden\ne\n"},
      {"literal prefixes, raw strings and digit separators in macro code",
       "##wchar_t c = L'{';\n##char d = u8'}';\n##const char32_t *e = U\"{\";\n"
       "##const char *f = R\"x({)x\", *g = u8R\"(})\";\n##int n = 1'000, m = 0x1'F;\n"
       "a ##n + m## ##.if (c == L'{')##kept\nb ##.if (d != '}')##hidden\nc ##f## ##g##\n"},
      {"raw string over macro lines",
       "##const char *r = R\"v(\ntext inside the raw string \"quoted\" ) v\\\n##)v\";\n"
       "##fputs(r, stdcom);\nafter\n"},
      {"CRLF line ends", "##int x = 1;\r\na ##x##\r\nb ##.if (0)##hidden\r\nc\r\n"},
      {"NUL bytes", "a\0b ##.if (0)##\0hidden\nc \"\0\" ##1##\0d\n"s},
      {"program that stops after a long run",
       "##int z = 1;\n" + longRun + "x ##.if (z) { fprintf(stderr, \"stop\\n\"); exit(3); }##y\n"},
      {"program that crashes after a long run",
       "##int *p = 0;\n" + longRun + "x ##.if (p == 0) *p = 1;##y\n"},
  };
}

}  // namespace

// One input after another: every golden case with its command line, the seeded
// random templates of the reliability suite, and the tricky templates above.
TEST(CompactForm, RunsAsTheDefaultForm) {
  const fs::path golden = fs::path(VORN_SOURCE_DIR) / "tests" / "golden";
  std::vector<fs::path> cases;
  for (const fs::directory_entry &entry : fs::directory_iterator(golden))
    if (entry.is_directory() && !fs::exists(entry.path() / "disabled"))
      cases.push_back(entry.path());
  std::sort(cases.begin(), cases.end());
  ASSERT_FALSE(cases.empty());
  for (const fs::path &dir : cases) {
    Files files;
    for (const fs::directory_entry &entry : fs::directory_iterator(dir)) {
      const std::string name = entry.path().filename();
      if (name.find('.') != std::string::npos && name.rfind("s_", 0) != 0)
        files[name] = ReadFile(entry.path());
    }
    std::istringstream argText(fs::exists(dir / "args") ? ReadFile(dir / "args") : "s.C\n");
    std::vector<std::string> args;
    for (std::string word; std::getline(argText, word);) args.push_back(word);
    ExpectSameRun("golden " + dir.filename().string(), files, args);
  }

  std::vector<std::string> randomArgs = {"-cs", "-M"};
  randomArgs.insert(randomArgs.end(), RandomWords.begin(), RandomWords.end());
  for (unsigned seed = 1; seed <= RandomSeeds; seed++) {
    TempDir dir;  // the builder writes the include files here
    const std::string source = RandomTemplate(seed).source;
    Files files = FilesHere();
    files["s.C"] = source;
    ExpectSameRun("random seed " + std::to_string(seed), files, randomArgs);
  }

  for (const Tricky &t : TrickyTemplates()) {
    Files files = t.more;
    files["s.C"] = t.source;
    ExpectSameRun(t.what, files, t.args);
  }

  // The first golden cases again: with clang++, whose support part the cold run makes in the
  // cache folder, and self-contained (a -D of a support library name keeps the part out).
  const bool clang = Shell("command -v clang++ >/dev/null") == 0;
  for (size_t i = 0; i < 4 && i < cases.size(); i++) {
    Files files;
    for (const fs::directory_entry &entry : fs::directory_iterator(cases[i])) {
      const std::string name = entry.path().filename();
      if (name.find('.') != std::string::npos && name.rfind("s_", 0) != 0)
        files[name] = ReadFile(entry.path());
    }
    std::istringstream argText(fs::exists(cases[i] / "args") ? ReadFile(cases[i] / "args") : "s.C\n");
    std::vector<std::string> args;
    for (std::string word; std::getline(argText, word);) args.push_back(word);
    if (clang) {
      args.insert(args.begin(), "--compiler=clang++");
      ExpectSameRun("clang++, golden " + cases[i].filename().string(), files, args);
      args.erase(args.begin());
    }
    args.insert(args.begin(), "-DCString=CString");
    ExpectSameRun("self-contained, golden " + cases[i].filename().string(), files, args);
  }
}

// The prebuilt support part serves only when it is whole: a copy of Vorn with its part uses it
// (an object that prints a mark, with its sum, shows it), and one whose object does not match
// its sum, whose sum is missing or whose precompiled header is cut uses none. Without a part,
// the program carries the library; with a cache folder, the part is made there once.
TEST(CompactForm, PrebuiltSupportServesOnlyWhenWhole) {
  TempDir dir;
  fs::create_directories("inst/bin");
  fs::copy_file(VORN_BIN, "inst/bin/vorn");
  fs::copy(fs::path(VORN_BIN).parent_path() / "lib", "inst/lib", fs::copy_options::recursive);
  std::string base;
  for (const fs::directory_entry &entry : fs::directory_iterator("inst/lib/vorn"))
    if (entry.path().extension() == ".sum") base = entry.path().string().substr(0, entry.path().string().size() - 4);
  ASSERT_FALSE(base.empty()) << "the build made no support part";
  const std::string object = ReadFile(base + ".o"), sum = ReadFile(base + ".sum");
  // The same library, but every segment printed is followed by a mark.
  std::string marked = ReadFile(base + ".C");
  const std::string end = "return (int)_vdone; }";
  ASSERT_NE(marked.find(end), std::string::npos);
  marked.replace(marked.find(end), end.size(), "fputs(\"<mark>\", stdcom); " + end);
  WriteFile("marked.C", marked);
  ASSERT_EQ(Shell(std::string(VORN_HOST_GCC) + " -c marked.C -o marked.o"), 0);
  const std::string markedSum = "vorn-support-part 1\n" + HashHex(ReadFile("marked.o")) +
                                sum.substr(sum.find('\n', 20));
  WriteFile("t.C", "##int n = 3;\nint v = ##n##;\n");
  const std::string expected = "#line 2 \"t.C\"\nint v = 3;\n";
  const struct {
    const char *what;
    std::function<void()> change;
    bool marked;
  } rows[] = {
      {"the part as it was made", [] {}, false},
      {"a marked object with its sum", [&] { WriteFile(base + ".o", ReadFile("marked.o")); WriteFile(base + ".sum", markedSum); }, true},
      {"a marked object under the old sum", [&] { WriteFile(base + ".sum", sum); }, false},
      {"no sum", [&] { fs::remove(base + ".sum"); }, false},
      {"a cut precompiled header", [&] {
         WriteFile(base + ".o", object);
         WriteFile(base + ".sum", sum);
         fs::resize_file(base + ".h.gch", fs::file_size(base + ".h.gch") / 2);
       }, false},
      // Another compiler, or another version of it, has another key: its part is another name.
      {"a whole marked part of another key", [&] {
         const std::string other = base.substr(0, base.rfind('-') + 1) + std::string(32, '0');
         for (const char *ext : {".C", ".h", ".h.gch", ".o", ".sum"}) fs::rename(base + ext, other + ext);
         WriteFile(other + ".o", ReadFile("marked.o"));
         WriteFile(other + ".sum", markedSum);
       }, false},
      {"no part at all", [] { fs::remove_all("inst/lib"); }, false},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.what);
    row.change();
    ASSERT_EQ(Shell("inst/bin/vorn -q --output=t.c t.C 2>err"), 0) << ReadFile("err");
    EXPECT_EQ(ReadFile("t.c"), row.marked ? "#line 2 \"t.C\"\n<mark>int v = <mark>3;\n<mark>" : expected);
  }
  // With a cache folder, the part is made there on first use, and used again after.
  ASSERT_EQ(Shell("inst/bin/vorn -q --cache=c --output=t.c t.C"), 0);
  EXPECT_EQ(ReadFile("t.c"), expected);
  std::string made;
  for (const fs::directory_entry &entry : fs::directory_iterator("c/support"))
    if (entry.path().extension() == ".sum") made = entry.path().string();
  ASSERT_FALSE(made.empty());
  const auto when = fs::last_write_time(made);
  WriteFile("u.C", "##int n = 4;\nint v = ##n##;\n");
  ASSERT_EQ(Shell("inst/bin/vorn -q --cache=c --output=u.c u.C"), 0);
  EXPECT_EQ(ReadFile("u.c"), "#line 2 \"u.C\"\nint v = 4;\n");
  EXPECT_EQ(fs::last_write_time(made), when) << "the part was made again";
}

namespace {

// The segments of a file of text segments: the bytes, then each segment's
// end as 8 little-endian bytes, their count, and the mark "VORNSEG1". A file
// that does not read so is a failure.
std::vector<std::string> Segments(const std::string &dat) {
  auto word = [&dat](size_t at) {
    unsigned long long v = 0;
    for (int i = 7; i >= 0; i--) v = v << 8 | static_cast<unsigned char>(dat[at + i]);
    return v;
  };
  std::vector<std::string> segments;
  if (dat.size() < 16 || dat.compare(dat.size() - 8, 8, "VORNSEG1") != 0) {
    ADD_FAILURE() << "no text segments: " << Shown(dat.substr(0, 80));
    return segments;
  }
  unsigned long long count = word(dat.size() - 16), from = 0;
  size_t table = dat.size() - 16 - 8 * count;
  for (unsigned long long k = 0; k < count; k++) {
    unsigned long long end = word(table + 8 * k);
    if (end < from || end > table) {
      ADD_FAILURE() << "segment " << k << " ends outside the text";
      return segments;
    }
    segments.push_back(dat.substr(from, end - from));
    from = end;
  }
  EXPECT_EQ(from, table) << "text after the last segment";
  return segments;
}

// Runs a template in both forms; the compact form's final source, after it is
// checked against the default form's. printed: how many bytes the text
// segments must hold at least; the code file holds none of them.
std::string CompactFinal(const std::string &what, const std::string &source,
                         const std::vector<std::string> &args, size_t printed) {
  const Outcome plain = RunOn({{"s.C", source}}, args, false);
  const Outcome compact = RunOn({{"s.C", source}}, args, true);
  EXPECT_EQ(plain.run.status, 0) << what << plain.run.out << plain.run.err;
  EXPECT_EQ(compact.run.status, 0) << what << compact.run.out << compact.run.err;
  EXPECT_EQ(Parting(plain.final, compact.final), "") << what;
  size_t total = 0;
  for (const std::string &segment : Segments(compact.segments)) total += segment.size();
  EXPECT_GE(total, printed) << what << ": the text is not in the text segments";
  EXPECT_LT(compact.code.size(), 4000u) << what << ": the code file holds text";
  return compact.final;
}

// Whether text holds line as a whole line.
bool HoldsLine(const std::string &text, const std::string &line) {
  return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

}  // namespace

// Every byte value 0-255 in ordinary text, in string and character literals,
// in comments and in a -M word (every value but NUL, which no argument holds),
// between two macro lines so that it reaches the text segments.
TEST(CompactForm, KeepsEveryByteValue) {
  std::string bytes;  // 0-255 but the line break
  for (int c = 0; c < 256; c++)
    if (c != '\n') bytes += static_cast<char>(c);
  auto without = [&](const std::string &drop) {
    std::string out;
    for (char c : bytes)
      if (drop.find(c) == std::string::npos) out += c;
    return out;
  };
  // Quotes in ordinary text would start literals. After each byte that an
  // escape writes, a digit; and '?' sequences that could be read as trigraphs.
  std::string text = without("\"'") + " ?\?= ?\?/ ?\?\?! ?\?";
  for (char c : std::string("\0\1\37\177\200\377\r\t\\?", 10)) text += std::string(1, c) + "07";
  const std::string string = "s = \"" + without("\"\\") + "\\\"\\\\\";";
  std::string chars = "c = ";
  for (char c : without("'\\")) chars += "'" + std::string(1, c) + "' ";
  chars += "'\\'' '\\\\';";
  const std::string lineComment = "// " + bytes;
  const std::string blockComment = "/* " + bytes + " */";
  std::string word;
  for (int c = 1; c < 256; c++) word += static_cast<char>(c);
  const std::string lines =
      text + "\n" + string + "\n" + chars + "\n" + lineComment + "\n" + blockComment + "\n";
  const std::string source = "##int v = 1;\n" + lines + "w = $1;\n##v++;\nv=##v##\n";

  const std::string final = CompactFinal("every byte", source, {"-cs", "-M", word}, lines.size());
  EXPECT_TRUE(HoldsLine(final, text)) << "ordinary text";
  std::string stringShown = string;  // a raw tab in a string literal comes out as \t
  stringShown.replace(stringShown.find('\t'), 1, "\\t");
  EXPECT_TRUE(HoldsLine(final, stringShown)) << "string literal";
  EXPECT_TRUE(HoldsLine(final, chars)) << "character literals";
  EXPECT_TRUE(HoldsLine(final, lineComment)) << "line comment";
  EXPECT_TRUE(HoldsLine(final, blockComment)) << "block comment";
  std::string wordShown;  // a word's tab and line break come out as \t and \n
  for (char c : word) wordShown += c == '\t' ? "\\t" : c == '\n' ? "\\n" : std::string(1, c);
  EXPECT_TRUE(HoldsLine(final, "w = " + wordShown + ";")) << "-M word";
  EXPECT_TRUE(HoldsLine(final, "v=2")) << "macro code after the text";
}

// A line of 100,000 characters, and 70,000 characters between two macro lines.
TEST(CompactForm, KeepsLongText) {
  // No quote and no '/', which could start a literal or a comment that runs on.
  const std::string palette = "abc xyz 0123 ;,.(){}[]+-*=<>!&|^~%?:\\\t\x01\x7f\x80\xe9\xff";
  std::string line;
  for (size_t i = 0; line.size() < 100000; i++) line += palette[(i * 7 + i / 31) % palette.size()];
  std::string final =
      CompactFinal("a long line", "##int n = 2;\n" + line + "\nn=##n##\n", {"s.C"}, 100000);
  EXPECT_TRUE(HoldsLine(final, line));
  EXPECT_TRUE(HoldsLine(final, "n=2"));

  std::string block;
  for (int i = 0; block.size() < 70000; i++)
    block += "/* row " + std::to_string(i) + " */ int v" + std::to_string(i) + " = \"" +
             palette.substr(i % 20, 9) + "\";\n";
  final = CompactFinal("a long run", "##int n = 2;\n" + block + "##n++;\nn=##n##\n", {"s.C"},
                       70000);
  EXPECT_NE(final.find("\n" + block), std::string::npos);
  EXPECT_TRUE(HoldsLine(final, "n=3"));
}

// The compact program's text depends on the macro code alone: templates that
// differ only in their text, line for line, give the same code file, which
// compiles to the same program; their final sources differ as their text does.
TEST(CompactForm, ProgramTextHoldsNoTemplateText) {
  const std::string code = "##MSTART\nint sq(int v) { return v * v; }\n##MEND\n";
  const std::string loop = "##for (int i = 0; i < 3; i++) {\n";
  const std::string a = code + "/* short */\n" + loop + "  ##sq(i)##,\n##}\n};\n";
  const std::string b = code + "/* " + std::string(20000, 'x') + " */\n" + loop +
                        "  { ##sq(i)## } ; // row\n##}\n}; /* end */\n";
  const Outcome first = RunOn({{"s.C", a}}, {"s.C"}, true);
  const Outcome second = RunOn({{"s.C", b}}, {"s.C"}, true);
  ASSERT_EQ(first.run.status, 0) << first.run.err;
  ASSERT_EQ(second.run.status, 0) << second.run.err;
  // Apart from the blanks that put each expression at its template column.
  const auto unindented = [](const std::string &text) {
    return std::regex_replace(text, std::regex("\n[ \t]+"), "\n");
  };
  EXPECT_EQ(unindented(first.code), unindented(second.code));
  EXPECT_NE(first.segments, second.segments);
  EXPECT_NE(second.final.find("  { 4 } ; // row\n"), std::string::npos) << second.final.substr(0, 200);
  EXPECT_EQ(Parting(RunOn({{"s.C", b}}, {"s.C"}, false).final, second.final), "");
}
