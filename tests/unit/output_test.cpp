// The buffered code and macro streams: when pending text is written, how a text statement is
// completed, the 2000-character threshold, and the line bookkeeping.
#include <gtest/gtest.h>

#include <tuple>

#include "driver/run.h"
#include "generator/flags.h"
#include "generator/output.h"
#include "harness.h"
#include "scanner/input_stack.h"

static const std::string Open = "fprintf(stdcom,\"%s\",\"";  // head of a text statement
static const std::string X(2000, 'x'), Y(2000 - Open.size(), 'y');  // threshold fillers
static void Flush() { FlushBuffer(CodeFile); }

TEST(Output, WritesPendingTextAndKeepsLineBookkeeping) {
  // Each case: the code text pending and in_text, steps at line 1 of s.C (LastPLine 1), then
  // what reached each file and what stays pending, with in_text, LastPLine and the current line.
  const struct {
    std::string start;
    int inText;
    void (*steps)();
    std::string code, macro, pending;
    int inTextAfter, lastP, line;
  } cases[] = {
      {Open + "ab", 1, Flush, Open + "ab\");\n", "", "", 0, 1, 1},  // completing ends it
      {"fprintf(stdcom,\"\\n\");\n\n", 1, Flush, "fprintf(stdcom,\"\\n\");\n\n", "", "", 1, 1, 1},
      {"\");", 1, Flush, "\");\");\n", "", "", 0, 1, 1},  // too short to count as terminated
      {Open + "ab", 1, [] { FlushBuffer1(CodeFile); }, Open + "ab", "", "", 1, 1, 1},
      {Open + "x", 1, [] { PrintExact(CodeFile, "%s'\\", "fprintf(stdcom, \"%c\","); },
       Open + "x\");\nfprintf(stdcom, \"%c\",'\\", "", "", 0, 1, 1},
      // The buffer holds up to 2000 characters, and a longer piece in full after a flush.
      {X.substr(2), 0, [] { PrintText(CodeFile, "ab"); }, "", "", X.substr(2) + "ab", 0, 1, 1},
      // The threshold never splits a text statement: it is completed and a new one opened.
      {Open + Y.substr(2), 1, [] { PrintText(CodeFile, "\\\"z"); },
       Open + Y.substr(2) + "\");\n", "", Open + "\\\"z", 1, 1, 1},
      {Open + Y.substr(1), 1, [] { PrintChar(CodeFile, 'q'); PrintChar(CodeFile, 'r'); },
       Open + Y.substr(1) + "q\");\n", "", Open + "r", 1, 1, 1},
      {"a", 0, [] { PrintText(CodeFile, X + X); }, "a", "", X + X, 0, 1, 1},
      {{"a\0b", 3}, 0, [] { Flush(); PrintLine(MacroFile, {"\0", 1}); }, {"a\0b", 3},
       {"\0\n", 2}, "", 0, 1, 1},
      // Macro text is written at a piece ending in a newline and at a double quote; code text at
      // a newline character.
      {"", 0, [] { for (const char *t : {"a", "b\n", "c"}) PrintText(MacroFile, t); }, "", "ab\n",
       "", 0, 1, 1},
      {"", 0, [] { PrintChar(MacroFile, '"'); PrintChar(MacroFile, 'd');
                   PrintChar(CodeFile, '\n'); }, "\n", "\"", "", 0, 1, 1},
      // Line bookkeeping of a written print statement and of the probe.
      {"fprintf(stdcom);", 0, [] { LastPLine = -2; LastFile->line = 0; Flush(); },
       "fprintf(stdcom);", "", "", 0, 1, 1},
      {"fprintf(stdcom);", 0, [] { LastPLine = -1; LastFile->line = 0; Flush(); },
       "fprintf(stdcom);", "", "", 0, 0, 0},
      {"\n fprintf(stdco", 0, [] { LastFile->line = 9; FlushBufferPr(CodeFile); }, "", "",
       "\n fprintf(stdco", 0, 9, 9},
      // On line 1 the probe has PnumH write the directive ahead of the pending statement.
      {Open + "x", 1, [] { LastPLine = -2; PrintText(CodeFile, "y"); },
       "fprintf(stdcom, \"#line 1 \\\"s.C\\\"\\n\");\n", "", Open + "xy", 1, 1, 1},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(&c - cases);
    ResetVorn();
    TempDir dir;
    ASSERT_EQ(openFiles("c.C", "m.mac"), 1);
    PushBottom(nullptr)->line = LastPLine = 1;
    LastFile->fname = "s.C";
    BufferT = c.start;
    in_text = c.inText;
    c.steps();
    fflush(nullptr);
    EXPECT_EQ(ReadFile("c.C"), c.code);
    EXPECT_EQ(ReadFile("m.mac"), c.macro);
    EXPECT_EQ(BufferT, c.pending);
    EXPECT_EQ(std::make_tuple(in_text, LastPLine, LastFile->line),
              std::make_tuple(c.inTextAfter, c.lastP, c.line));
  }
}
