// The input stack's promises: where an include is found (as written, beside the including
// file, then in the -I folders, in that order) and the name its directives carry; the
// nesting bound; whether a file's lines end in CR LF; how the end of a piece leaves the line.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>

#include "harness.h"
#include "scanner/input_stack.h"

// The final-source directive statement for line 1 of name.
static std::string Opened(const std::string &name) {
  return "fprintf(stdcom, \"#line 1 \\\"" + name + "\\\"\\n\");\n";
}

TEST(InputStack, FindsIncludesInOrderAndNamesThemAsOpened) {
  TempDir dir;
  for (const char *folder : {"sub", "inc"}) mkdir(folder, 0755);
  for (const char *file : {"w.h", "both.h", "sub/b.h", "sub/x.h", "inc/x.h", "inc/i.h", "inc/both.h"})
    WriteFile(file, "t\n");
  mkdir("sub/d.h", 0755);  // a folder of the name opens, but counts as not found
  WriteFile("inc/d.h", "t\n");
  const struct {
    std::string include, opened;
  } cases[] = {
      {"w.h", "w.h"},          // as written, from the working directory
      {"both.h", "both.h"},    // as written wins over the -I folder
      {"b.h", "sub/b.h"},      // beside the including file
      {"x.h", "sub/x.h"},      // beside wins over the -I folder
      {"i.h", "inc/i.h"},      // in the -I folder
      {"d.h", "inc/d.h"},      // past a folder of the same name
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.include);
    Generated g = Translate("##include \"" + c.include + "\"\n", {}, "sub/s.C", false, {"inc"});
    ASSERT_EQ(g.ok, 1);
    EXPECT_EQ(g.code.substr(0, Opened(c.opened).size()), Opened(c.opened));
  }
}

TEST(InputStack, BoundsNesting) {
  TempDir dir;
  WriteFile("self.h", "##include \"self.h\"\n");
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  Generated g = Translate("##include \"self.h\"\n");
  std::string out = testing::internal::GetCapturedStdout();
  testing::internal::GetCapturedStderr();
  EXPECT_NE(out.find("Include nesting deeper than " + std::to_string(MaxIncludeDepth)), std::string::npos);
  EXPECT_EQ(g.ok, 1);  // the translation goes on; the error is counted for the run
}

TEST(InputStack, KnowsLineEndsAndSplices) {
  TempDir dir;
  // Whether the first line ends in CR LF, however far it is into the file.
  const struct {
    std::string text;
    bool crlf;
  } files[] = {{"a\r\nb\n", true}, {"a\nb\r\n", false}, {"", false},
               {std::string(5000, 'x') + "\r\n", true}, {std::string(4095, 'x') + "\r\n", true}};
  for (const auto &f : files) {
    WriteFile("f.txt", f.text);
    FILE *stream = fopen("f.txt", "r");
    EXPECT_EQ(EndsInCRLF(stream), f.crlf) << f.text.size();
    EXPECT_EQ(ftell(stream), 0);  // the stream is left where it was
    fclose(stream);
  }
  // A piece's last bytes: a newline starts a line; a backslash (or one and a CR) splices the
  // next; a lone CR piece looks at the piece before it.
  const struct {
    std::vector<std::string> pieces;
    int lineStart, splice;
  } tails[] = {{{"ab\n"}, 1, 0}, {{"a\\"}, 0, 1}, {{"a\\\r"}, 0, 1}, {{"a\\", "\r"}, 0, 1},
               {{"a", "\r"}, 0, 0}, {{"\\\\"}, 0, 1}};
  for (const auto &t : tails) {
    PushBottom(nullptr);
    for (const std::string &piece : t.pieces) NoteTail(piece.data(), static_cast<int>(piece.size()));
    EXPECT_EQ(std::make_pair(AtLineStart, AtSplice), std::make_pair(t.lineStart, t.splice));
    ResetInputStack();
  }
}
