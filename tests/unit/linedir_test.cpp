// Line directives: when a final-source directive statement is due and written, the gate flags
// around it, and the 95-character limit on the name it carries.
#include <gtest/gtest.h>

#include <tuple>

#include "driver/run.h"
#include "generator/linedir.h"
#include "generator/output.h"
#include "harness.h"

// OldLineCounter, oldFname, First, PnumChanged, NoPnum.
using Gate = std::tuple<int, std::string, int, int, int>;

// The statement that prints "#line N \"name\"" into the final source.
static std::string Dir(int line, const std::string &name) {
  return "fprintf(stdcom, \"#line " + std::to_string(line) + " \\\"" + name + "\\\"\\n\");\n";
}

static const std::string Open = "fprintf(stdcom,\"%s\",\"";  // head of a text statement
static const std::string Done = Open + "x\");\n";           // that statement, flushed
static const std::string Long = std::string(400, 'n') + ".C";  // longer than any fixed buffer

TEST(LineDirectives, GateFlagsAndNames) {
  const Gate start{-3, "", 1, 1, 0};
  const auto pnum = [](int line, const char *name) { Pnum(outfileT, line, name); };
  // Each case: the call, the state before, line and name, what reached the code file (an open
  // text statement was pending), and the state after.
  const struct {
    void (*call)(int, const char *);
    Gate before;
    int line;
    std::string name, written;
    Gate after;
  } cases[] = {
      {PnumT, start, 1, "a.C", Done + Dir(1, "a.C"), {1, "a.C", 0, 0, 0}},
      {PnumT, {4, "a.C", 0, 1, 0}, 5, "a.C", "", {5, "a.C", 0, 1, 0}},  // no jump
      {PnumT, {5, "a.C", 0, 1, 0}, 7, "a.C", Done + Dir(7, "a.C"), {7, "a.C", 0, 0, 0}},
      {PnumT, {5, "a.C", 0, 0, 0}, 7, "a.C", "", {7, "a.C", 0, 0, 0}},  // gate closed
      {PnumT, {5, "a.C", 0, 1, 1}, 7, "a.C", "", {7, "a.C", 0, 1, 1}},  // macro block
      {PnumT, {30, "b.h", 0, 1, 0}, 1, "a.C", Done, {1, "a.C", 0, 0, 0}},
      {PnumT, {30, "b.h", 1, 1, 0}, 1, "a.C", Done + Dir(1, "a.C"), {1, "a.C", 0, 0, 0}},
      // The name stands in the generated format string.
      {PnumT, start, 3, "5%.C", Done + "fprintf(stdcom, \"#line 3 \\\"5%%.C\\\"\\n\");\n",
       {3, "5%.C", 0, 0, 0}},
      // A name of any length gets its directive; a backslash or double quote in it is escaped
      // for the final source's string and again for the generated one.
      {PnumT, start, 2, Long, Done + Dir(2, Long), {2, Long, 0, 0, 0}},
      {PnumT, start, 4, "d\\\"q.C",
       Done + "fprintf(stdcom, \"#line 4 \\\"d\\\\\\\\\\\\\\\"q.C\\\"\\n\");\n", {4, "d\\\"q.C", 0, 0, 0}},
      // PnumH makes no flush and keeps oldFname; with First at 0 the gate stays open.
      {PnumH, start, 1, "a.C", Dir(1, "a.C"), {1, "", 0, 0, 0}},
      {PnumH, {-3, "", 0, 1, 0}, 1, "a.C", "", {1, "", 0, 1, 0}},
      {PnumH, start, 1, Long, Dir(1, Long), {1, "", 0, 0, 0}},
      {pnum, start, 3, "a.C", "#line 3 \"a.C\"\n", start},
      {pnum, start, 3, "d\\\"q.C", "#line 3 \"d\\\\\\\"q.C\"\n", start},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(&c - cases);
    ResetVorn();
    TempDir dir;
    ASSERT_EQ(openFiles("c.C", "m.mac"), 1);
    PrintText(CodeFile, Open + "x");
    std::tie(OldLineCounter, oldFname, First, PnumChanged, NoPnum) = c.before;
    testing::internal::CaptureStderr();
    c.call(c.line, c.name.c_str());
    std::string err = testing::internal::GetCapturedStderr();
    fflush(outfileT);
    EXPECT_EQ(ReadFile("c.C"), c.written);
    EXPECT_EQ(Gate(OldLineCounter, oldFname, First, PnumChanged, NoPnum), c.after);
    EXPECT_EQ(err, "");
  }
}
