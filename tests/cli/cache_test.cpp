// The cache of compiled generator programs (--cache=DIR): a program is used
// again only when a fresh compile would make the same one. The compiler is a
// script that notes each compile, so each row can say whether its change made
// Vorn compile again; the final source must follow every change either way.
// A line added above the macro code keeps the program unless the macro code
// reaches for its own line (__LINE__, assert).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "harness.h"

namespace fs = std::filesystem;

namespace {

const std::string Template =
    "##MSTART\n#include \"rows.h\"\n##MEND\n/* a table */\nstatic const int t[] = {\n"
    "##for (int i = 0; i < ROWS; i++) {\n  ##i * i##,\n##}\n};\nint tag = $1;\n";

// The compiler.cfg whose compiler notes each compile in compiles.log; extra goes on its command line.
std::string Config(const std::string &extra = "") {
  return "#GCC SRC=C EXE=exe\nCOMPILER=" + fs::current_path().string() +
         "/cc.sh SRC EXE\nLINE=gcc %s -o %s -lm" + extra + "\n";
}

int Compiles() {
  std::string log = ReadFile("compiles.log");
  return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
}

struct Change {
  const char *what;
  std::function<void()> apply;
  bool compiles;        // the run must compile again
  std::string holds;    // the final source holds this
  std::vector<std::string> args = {"-q", "--cache=cache", "--output=t.c", "-ct", "-M", "7"};
  int tokens = -1;      // token streams the run makes (-E), when it matters
};

std::string Edited(const std::string &text, const std::string &from, const std::string &to) {
  std::string out = text;
  out.replace(out.find(from), from.size(), to);
  return out;
}

}  // namespace

TEST(Cache, AProgramIsUsedAgainOnlyWhenACompileWouldMakeTheSame) {
  TempDir dir;
  // A preprocessor run (-E) is no compile, nor are the compiles of the support part that every
  // program of this compiler links, made once in the cache folder.
  WriteFile("cc.sh", "#!/bin/sh\ncase \" $* \" in *\" -E \"*) echo tokens >>tokens.log;; *\" -c \"*|*c++-header*|*-try*) "
                     "echo support >>support.log;; *) echo compile >>compiles.log;; esac\n"
                     "exec " + std::string(VORN_HOST_GCC) + " \"$@\"\n");
  ASSERT_EQ(Shell("chmod +x cc.sh"), 0);
  WriteFile("compiler.cfg", Config());
  WriteFile("rows.h", "#define ROWS 3\n");
  WriteFile("t.C", Template);
  const Change changes[] = {
      // A cold run makes no token stream: it serves only a later run of other line numbers.
      {"first run", [] {}, true, "  4,\n", {"-q", "--cache=cache", "--output=t.c", "-ct", "-M", "7"}, 0},
      {"nothing changed", [] {}, false, "  4,\n"},
      {"a value in the text", [] { WriteFile("t.C", Edited(Template, "a table", "squares")); },
       false, "/* squares */\n"},
      {"a word after -M", [] {}, false, "int tag = 8;\n",
       {"-q", "--cache=cache", "--output=t.c", "-ct", "-M", "8"}},
      {"the local header", [] { WriteFile("rows.h", "#define ROWS 4\n"); }, true, "  9,\n"},
      {"the macro code", [] { WriteFile("t.C", Edited(ReadFile("t.C"), "i * i", "i + i")); }, true,
       "  6,\n"},
      // That run makes the stream of the new code and, from the kept files, of the stored one.
      {"a line above the macro code", [] { WriteFile("t.C", "\n" + ReadFile("t.C")); }, false,
       "#line 8 \"t.C\"\n  6,\n", {"-q", "--cache=cache", "--output=t.c", "-ct", "-M", "7"}, 2},
      {"__LINE__ in the macro code", [] { WriteFile("t.C", Edited(ReadFile("t.C"), "i + i", "i + __LINE__")); },
       true, "  9,\n"},
      {"a line above __LINE__", [] { WriteFile("t.C", "\n" + ReadFile("t.C")); }, true, "  10,\n"},
      {"assert in the macro code",
       [] { WriteFile("t.C", "##MSTART\n#include <assert.h>\n##MEND\n" +
                                 Edited(ReadFile("t.C"), "i + __LINE__", "i + (assert(i >= 0), 1)")); },
       true, "  1,\n"},
      {"a line above assert", [] { WriteFile("t.C", "\n" + ReadFile("t.C")); }, true, "  1,\n"},
      {"the compiler", [] { Shell("sleep 0.01; touch cc.sh"); }, true, "  4,\n"},
      {"a define on the compile line", [] { WriteFile("compiler.cfg", Config(" -DROWS_EXTRA=1")); },
       true, "  4,\n"},
      {"an option of the compile", [] { WriteFile("compiler.cfg", Config(" -O1")); }, true, "  4,\n"},
      {"the form of the generator program", [] {}, true, "  4,\n",
       {"-q", "--no-compact", "--cache=cache", "--output=t.c", "-ct", "-M", "7"}},
      {"back to a program made before", [] { WriteFile("compiler.cfg", Config()); }, false, "  4,\n"},
      // Headers written seconds before the compile are noted by their inode's
      // state too, and are not read again while it holds.
      {"a compile seconds after the header was written",
       [] { Shell("sleep 2.1"); WriteFile("compiler.cfg", Config(" -O2")); }, true, "  4,\n"},
      {"the header rewritten with its size and modification time as before",
       [] {
         struct stat st;
         ASSERT_EQ(stat("rows.h", &st), 0);
         WriteFile("rows.h", "#define ROWS 5\n");
         const struct timespec times[2] = {st.st_atim, st.st_mtim};
         ASSERT_EQ(utimensat(AT_FDCWD, "rows.h", times, 0), 0);
       },
       true, "  5,\n"},
      // A program that holds the time of its compile would print that time
      // again on every later run: it is compiled each time, as without the cache.
      {"__TIME__ in the macro code",
       [] { WriteFile("t.C", Edited(ReadFile("t.C"), "(assert(i >= 0), 1)", "(int)sizeof(__TIME__) - 8")); },
       true, "  1,\n"},
      {"nothing changed, __TIME__ still there", [] {}, true, "  1,\n"},
      {"__DATE__ in the header",
       [] {
         WriteFile("t.C", Edited(ReadFile("t.C"), "(int)sizeof(__TIME__) - 8", "1"));
         WriteFile("rows.h", "#define ROWS 5\n#define STAMP __DATE__\n");
       },
       true, "  1,\n"},
      {"nothing changed, __DATE__ still there", [] {}, true, "  1,\n"},
      {"the header without it", [] { WriteFile("rows.h", "#define ROWS 5\n"); }, true, "  1,\n"},
      {"nothing changed, nothing of the time", [] {}, false, "  1,\n"},
  };
  for (const Change &change : changes) {
    SCOPED_TRACE(change.what);
    change.apply();
    int before = Compiles();
    std::string tokensBefore = ReadFile("tokens.log");
    RunResult r = RunVorn(change.args);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Compiles() - before, change.compiles ? 1 : 0);
    const std::string tokensAfter = ReadFile("tokens.log");
    if (change.tokens >= 0)
      EXPECT_EQ(std::count(tokensAfter.begin(), tokensAfter.end(), '\n') -
                    std::count(tokensBefore.begin(), tokensBefore.end(), '\n'), change.tokens);
    EXPECT_NE(ReadFile("t.c").find(change.holds), std::string::npos) << ReadFile("t.c");
    // The same run without the cache writes the same final source.
    ASSERT_EQ(RunVorn({"-q", "--output=plain.c", "-ct", "-M", change.args.back()}).status, 0);
    EXPECT_EQ(ReadFile("t.c"), ReadFile("plain.c"));
  }
}

TEST(Cache, ADamagedEntryIsNeverRun) {
  TempDir dir;
  WriteFile("t.C", "##int v = 6 * 7;\nv = ##v##;\n");
  ASSERT_EQ(RunVorn({"-q", "--cache=cache", "--output=t.c", "t.C"}).status, 0);
  std::string exe;
  for (const fs::directory_entry &entry : fs::directory_iterator("cache"))
    if (entry.path().extension() == ".exe") exe = entry.path();
  ASSERT_FALSE(exe.empty());
  const std::string good = ReadFile(exe);
  const std::string here = fs::current_path();
  const std::pair<const char *, std::string> damages[] = {
      {"truncated", good.substr(0, good.size() / 2)},
      {"empty", ""},
      {"another program", "#!/bin/sh\necho ran >" + here + "/ran.txt\n"},
      {"one byte changed", Edited(good, good.substr(100, 1), good[100] == 'x' ? "y" : "x")},
  };
  for (const auto &[what, bytes] : damages) {
    SCOPED_TRACE(what);
    WriteFile(exe, bytes);
    chmod(exe.c_str(), 0755);
    RunResult r = RunVorn({"-q", "--cache=cache", "--output=t.c", "t.C"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFile("t.c"), "#line 2 \"t.C\"\nv = 42;\n");
    EXPECT_FALSE(fs::exists("ran.txt"));
    EXPECT_EQ(ReadFile(exe), good) << "the entry was not replaced";
  }
}

TEST(Cache, ConcurrentRunsShareOneCache) {
  TempDir dir;
  WriteFile("t.C", "##MSTART\n#include <unistd.h>\n##MEND\n##usleep(20000);\nint w = $1;\n");
  std::string script = "seq 1 16 | xargs -P 4 -I N sh -c '" + std::string(VORN_BIN) +
                       " -q --cache=cache --output=wN.c -ct -M N 2>errN; echo $? >statusN'";
  ASSERT_EQ(Shell("timeout -s TERM 300 sh -c \"" + script + "\""), 0);
  for (int i = 1; i <= 16; i++) {
    std::string n = std::to_string(i);
    EXPECT_EQ(ReadFile("status" + n), "0\n") << ReadFile("err" + n);
    EXPECT_EQ(ReadFile("w" + n + ".c"), "#line 5 \"t.C\"\nint w = " + n + ";\n");
  }
  int entries = 0, leftovers = 0;
  for (const fs::directory_entry &entry : fs::directory_iterator("cache")) {
    entries += entry.path().extension() == ".mf";
    leftovers += entry.path().filename().string().find(".vorn-") != std::string::npos;
  }
  EXPECT_EQ(entries, 1);
  EXPECT_EQ(leftovers, 0);
}
