// The cache of compiled generator programs, in-process: an entry is found
// only while everything its program was made from still holds, and a program
// whose text names its compile is never kept.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "build/cache.h"
#include "build/settings.h"
#include "driver/run.h"
#include "harness.h"

namespace fs = std::filesystem;

namespace {

const std::string Code = "#line 1 \"t.C\"\nint main() { return 0; }\n";

// A cache in the folder "cache" with one stored entry for code, whose compile read header h.h.
struct StoredEntry {
  TempDir dir;
  std::vector<std::string> headers;
  StoredEntry(const std::string &code = Code, const std::string &header = "#define N 1\n") {
    ResetVorn();
    InstallGccSettings();
    CacheDir = "cache";
    fs::create_directories("cache");
    WriteFile("t_C.C", code);
    WriteFile("t_M.mac", "// macro\n");
    WriteFile("h.h", header);
    WriteFile("t_C.exe", "program bytes");
    headers = {dir.path + "/h.h"};
    EXPECT_EQ(CachedProgram("t_C.C", "t_M.mac", {}), "");  // a miss: the key is taken
    StoreProgram("t_C.exe", headers, "");
  }
  ~StoredEntry() { ResetVorn(); }
  std::string Lookup(const std::vector<std::string> &extras = {}) {
    return CachedProgram("t_C.C", "t_M.mac", extras);
  }
  int Entries() {
    int n = 0;
    for (const fs::directory_entry &e : fs::directory_iterator("cache")) n += e.path().extension() == ".mf";
    return n;
  }
};

}  // namespace

TEST(CacheEntry, FoundWhileWhatItWasMadeFromHolds) {
  StoredEntry s;
  std::string hit = s.Lookup();
  ASSERT_FALSE(hit.empty());
  EXPECT_EQ(ReadFile(hit), "program bytes");
  EXPECT_EQ(CachedHeaders(), s.headers);
  EXPECT_EQ(s.Lookup({"-iquote", "elsewhere"}), "") << "other compile words";
  WriteFile("t_M.mac", "// macro, changed\n");
  EXPECT_EQ(s.Lookup(), "") << "another macro file";
  WriteFile("t_M.mac", "// macro\n");
  EXPECT_FALSE(s.Lookup().empty());
  WriteFile("h.h", "#define N 2\n");
  EXPECT_EQ(s.Lookup(), "") << "a header changed";
  WriteFile("h.h", "#define N 1\n");
  EXPECT_FALSE(s.Lookup().empty()) << "the header holds what it held again";
  setenv("CPATH", "/opt/include", 1);
  EXPECT_EQ(s.Lookup(), "") << "the compiler's search path changed";
  unsetenv("CPATH");
  WriteFile(hit, "program bytez");
  EXPECT_EQ(s.Lookup(), "") << "a damaged program";
}

TEST(CacheEntry, AProgramThatNamesItsCompileIsNeverKept) {
  for (const char *macro : {"__DATE__", "__TIME__", "__TIMESTAMP__", "__BASE_FILE__"}) {
    SCOPED_TRACE(macro);
    {
      StoredEntry s(Code + "const char *when = " + macro + ";\n");
      EXPECT_EQ(s.Entries(), 0);
      EXPECT_EQ(s.Lookup(), "");
    }
    StoredEntry s(Code, std::string("#define STAMP ") + macro + "\n");
    EXPECT_EQ(s.Entries(), 0) << "in a header";
  }
  StoredEntry plain;
  EXPECT_EQ(plain.Entries(), 1);
}

TEST(CacheEntry, OtherLineNumbersFindTheProgramByItsTokens) {
  StoredEntry s;
  // Stored under other compile words, with the hash of the compile's token stream.
  ASSERT_EQ(CachedProgram("t_C.C", "t_M.mac", {"-DX"}), "");
  StoreProgram("t_C.exe", s.headers, "0123456789abcdef0123456789abcdef");
  WriteFile("t_C.C", "#line 7 \"t.C\"\nint main() { return 0; }\n");
  EXPECT_EQ(CachedProgram("t_C.C", "t_M.mac", {"-DX"}), "");
  EXPECT_EQ(LineShiftedTokens(), "0123456789abcdef0123456789abcdef");
  EXPECT_EQ(LineShiftedProgram("ffffffffffffffffffffffffffffffff"), "") << "other tokens";
  EXPECT_FALSE(LineShiftedProgram("0123456789abcdef0123456789abcdef").empty());
}
