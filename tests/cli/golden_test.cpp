// Golden cases: each folder of tests/golden holds the input files (names with a dot: s.C and
// any include files; folders of include files are copied whole), the command line ("args", one word a line; default s.C) and what the run
// must write, byte for byte: s_C.C and s_M.mac without their prologues, s_new.C (where a failed
// run removed it, what its generator program writes), and where a
// case has them stdout (after the banner), stderr and status. A "disabled" file skips the case
// and says why. UPDATE=1 rewrites the expected files (an empty stdout, stderr or status starts
// the recording of one).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "harness.h"

namespace fs = std::filesystem;

static const fs::path GoldenDir = fs::path(VORN_SOURCE_DIR) / "tests" / "golden";

static std::vector<std::string> CaseNames() {
  std::vector<std::string> names;
  for (const fs::directory_entry &entry : fs::directory_iterator(GoldenDir))
    if (entry.is_directory()) names.push_back(entry.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// What vorn printed after its banner lines, which hold the build date.
static std::string AfterBanner(const std::string &out) {
  const std::string mark = "Target source for GCC compiler\n";
  return out.find(mark) == std::string::npos ? out : out.substr(out.find(mark) + mark.size());
}

class Golden : public testing::TestWithParam<std::string> {};

TEST_P(Golden, WritesExpectedFiles) {
  const fs::path dir = GoldenDir / GetParam();
  if (fs::exists(dir / "disabled")) GTEST_SKIP() << "disabled: " << ReadFile(dir / "disabled");
  TempDir tmp;
  for (const fs::directory_entry &entry : fs::directory_iterator(dir)) {
    const std::string name = entry.path().filename();
    if (entry.is_directory())
      fs::copy(entry.path(), name, fs::copy_options::recursive);
    else if (name.find('.') != std::string::npos && name.rfind("s_", 0) != 0)
      fs::copy_file(entry.path(), name);
  }
  std::istringstream argText(fs::exists(dir / "args") ? ReadFile(dir / "args") : "s.C\n");
  std::vector<std::string> args;
  for (std::string word; std::getline(argText, word);) args.push_back(word);
  const RunResult run = RunVorn(args);
  const std::map<std::string, std::string> actual = {
      {"s_C.C", DropLines(ReadFile("s_C.C"), CodePrologueLines)},
      {"s_M.mac", DropLines(ReadFile("s_M.mac"), MacroPrologueLines)},
      {"s_new.C", WrittenFinal("s")},
      {"stdout", AfterBanner(run.out)},
      {"stderr", run.err},
      {"status", std::to_string(run.status) + "\n"}};
  const bool update = std::getenv("UPDATE") && std::string(std::getenv("UPDATE")) == "1";
  const fs::path kept = fs::path(testing::TempDir()) / "vorn-golden" / GetParam();
  for (const auto &[name, text] : actual) {
    const fs::path expected = dir / name;
    if (update && (fs::exists(expected) || name.rfind("s_", 0) == 0)) {
      WriteFile(expected, text);
    } else if (!update && fs::exists(expected) && ReadFile(expected) != text) {
      fs::create_directories(kept);
      WriteFile(kept / name, text);
      ADD_FAILURE() << name << " differs; actual kept: diff " << expected << " " << kept / name;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Golden, testing::ValuesIn(CaseNames()), [](const auto &info) {
  std::string name = info.param;
  std::replace(name.begin(), name.end(), '-', '_');
  return name;
});
