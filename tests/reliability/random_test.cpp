// Seeded random templates that mix every construct (random_template.h). For
// each, the final source is predicted from the pieces the template was built
// from. The "#line" directives are checked too: each stands at the start of a
// line, and every plain line sits where the directives say it came from.
#include <gtest/gtest.h>

#include <string>

#include "harness.h"
#include "random_template.h"

namespace {

// The final source less its directive lines; checks the directives on the way.
std::string CheckDirectives(const std::string &final, const Builder &b, int &matched) {
  std::string rest, file;
  int n = 0;
  size_t at = 0;
  while (at < final.size()) {
    size_t end = final.find('\n', at);
    std::string text = final.substr(at, end == std::string::npos ? end : end - at);
    at = end == std::string::npos ? final.size() : end + 1;
    char name[64];
    if (sscanf(text.c_str(), "#line %d \"%63[^\"]\"", &n, name) == 2) {
      file = name;
      continue;
    }
    EXPECT_EQ(text.find("#line"), std::string::npos) << "directive inside a line: " << text;
    auto it = b.plain.find({file, n});
    if (it != b.plain.end()) {
      EXPECT_EQ(text, it->second) << file << ":" << n;
      matched++;
    }
    n++;
    rest += text + (end == std::string::npos ? "" : "\n");
  }
  return rest;
}

}  // namespace

TEST(RandomTemplates, FinalSourceIsPredicted) {
  for (unsigned seed = 1; seed <= RandomSeeds; seed++) {
    TempDir dir;
    Builder b = RandomTemplate(seed);
    Generated g = Translate(b.source, RandomWords);
    ASSERT_EQ(g.ok, 1) << "seed " << seed;
    std::string final = BuildFinal();
    int matched = 0;
    EXPECT_EQ(CheckDirectives(final, b, matched), b.expected) << "seed " << seed;
    EXPECT_GE(matched, static_cast<int>(b.plain.size())) << "seed " << seed;
  }
}
