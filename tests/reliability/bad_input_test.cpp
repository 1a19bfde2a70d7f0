// Hostile and odd inputs: each run must end with a defined status and a
// clear message, and whatever it writes must be exact.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "harness.h"

namespace {

// The final source without the directive lines vorn wrote.
std::string WithoutDirectives(const std::string &text) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    size_t next = end == std::string::npos ? text.size() : end + 1;
    if (text.compare(at, 6, "#line ") != 0 || end == std::string::npos) out.append(text, at, next - at);
    at = next;
  }
  return out;
}

}  // namespace

// Texts that must come back byte for byte.
TEST(BadInput, OddTextsComeBackExactly) {
  std::string utf8 = "bad \xc3\x28 \xa0\xa1 \xf0\x28\x8c\x28 \xed\xa0\x80 ok\n";
  const std::pair<const char *, std::string> cases[] = {
      {"only NUL bytes", std::string(4096, '\0')},
      {"10 MiB single line", std::string(10 << 20, 'x')},
      {"1 MiB comment and string", "/*" + std::string(1 << 20, 'c') + "*/\n\"" +
                                       std::string(1 << 20, 's') + "\"\n"},
      {"invalid UTF-8", utf8},
      {"lone CR line ends", "a = 1;\rb = 2;\rc\r"},
      {"no final newline", "int x;"},
  };
  for (const auto &[what, text] : cases) {
    TempDir dir;
    WriteFile("f.C", text);
    RunResult r = RunVorn({"f.C"});
    EXPECT_EQ(r.status, 0) << what << ": " << r.err;
    EXPECT_EQ(WithoutDirectives(ReadFile("f_new.C")), text) << what;
  }
}

TEST(BadInput, UnusableFilesEndWithStatus1AndAMessage) {
  TempDir dir;
  WriteFile("f.C", "text\n");
  Shell("mkdir d.C");
  RunResult r = RunVorn({"d.C"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Missing input file\nvorn: error: cannot open template \"d.C\": Is a directory\n");
  // Nothing, not even root, creates files in /proc.
  r = RunVorn({"-m/proc/gen", "f.C"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("Could not open macro file /proc/gen.mac: : ", 0), 0u) << r.err;
  Shell("ln -s /dev/full f_C.C");
  r = RunVorn({"f.C"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Could not write code file f_C.C: No space left on device\n");
  Shell("rm f_C.C");
  // A file size limit makes writes fail rather than end the run by a signal.
  int status = Shell(std::string("ulimit -f 1; ") + VORN_BIN + " f.C >out 2>err");
  EXPECT_EQ(status, 1);
  EXPECT_EQ(ReadFile("err"), "Could not write macro file f_M.mac: File too large\n");
  if (geteuid() != 0) {  // root reads any file
    Shell("chmod 000 f.C");
    EXPECT_EQ(RunVorn({"f.C"}).err,
              "Missing input file\nvorn: error: cannot open template \"f.C\": Permission denied\n");
  }
}

TEST(BadInput, IncludeNestingIsBounded) {
  TempDir dir;
  WriteFile("self.C", "x\n##include \"self.C\"\n");
  RunResult r = RunVorn({"self.C"});
  EXPECT_EQ(r.status, 1) << r.err;  // the final source would lack an include
  EXPECT_EQ(r.err, "self.C:2: error: include nesting deeper than 200: \"self.C\" not opened\n");
  EXPECT_NE(r.out.find("Include nesting deeper than 200 at line 2 of self.C: include file "
                       "self.C not opened\n"), std::string::npos);
  // The text up to the limit was translated: 201 copies of the line; nothing was compiled.
  const std::string code = ReadFile("self_C.C");
  size_t copies = 0;
  for (size_t at = 0; (at = code.find("\"%s\",\"x\"", at)) != std::string::npos; at++) copies++;
  EXPECT_EQ(copies, 201u);
  EXPECT_EQ(access("self_new.C", F_OK), -1);
  // A chain 1000 deep stops at the limit too, with one report.
  for (int i = 0; i < 1000; i++)
    WriteFile("i" + std::to_string(i) + ".h",
              std::to_string(i) + "\n##include \"i" + std::to_string(i + 1) + ".h\"\n");
  r = RunVorn({"i0.h"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "i200.h:2: error: include nesting deeper than 200: \"i201.h\" not opened\n");
}

TEST(BadInput, LongWordsManyWordsLongNames) {
  TempDir dir;
  WriteFile("f.C", "$1|$9\n");
  std::vector<std::string> args = {"-cf", "-M", std::string(100 << 10, 'w')};
  for (int i = 2; i <= 200; i++) args.push_back("v" + std::to_string(i));
  RunResult r = RunVorn(args);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(WithoutDirectives(ReadFile("f_new.C")), std::string(100 << 10, 'w') + "|v9\n");
  // A name of any length gets its directives; the text is exact.
  std::string deep = std::string(200, 'd') + "/" + std::string(200, 'e');
  Shell("mkdir -p " + deep);
  WriteFile(deep + "/t.C", "a\n##int y;\nb\n");
  r = RunVorn({deep + "/t.C"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ReadFile(deep + "/t_new.C"),
            "#line 1 \"" + deep + "/t.C\"\na\n#line 3 \"" + deep + "/t.C\"\nb\n");
  // A name past the system's path limit is refused when the files are created.
  std::string huge = std::string(4096, 'n') + ".C";
  r = RunVorn({huge});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("File name too long"), std::string::npos) << r.err;
}
