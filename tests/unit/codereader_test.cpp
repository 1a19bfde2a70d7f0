// The reader of C and C++ code: for each character, where the reader stands
// once it has read it (C code, L line comment, B block comment, S string,
// H character literal, R raw string). A literal's closing quote and a
// comment's closing slash already stand in code.
#include <gtest/gtest.h>

#include "generator/codereader.h"

static std::string Where(const std::string &code) {
  static const char letters[] = "CLBSHR";
  CodeReader reader;
  std::string where;
  for (char c : code) {
    ReadCodeChar(reader, c);
    where += letters[reader.where];
  }
  return where;
}

TEST(CodeReader, KnowsCommentsAndLiteralsOfCAndCpp) {
  const struct { const char *code, *where; } cases[] = {
      {"L'{' u8'}'", "CHHCCCCHHC"},
      {"U\"{\" u\"}\"", "CSSCCCSSC"},
      {"1'000'0 a'b'", "CCCCCCCCCHHC"},          // digits separated, then a literal
      {"0x1'F'", "CCCCCC"},
      {"R\"x({)x\"}", "CRRRRRRCC"},              // the raw string ends at )x", not at )
      {"u8R\"(\")\"", "CCCRRRRC"},
      {"BR\"(x)\"", "CCSSSSC"},                  // BR is no prefix: a plain string
      {"R\"(a\nb)\"c", "CRRRRRRCC"},             // a raw string goes on over lines
      {"\"a\\\"{\" {", "SSSSSCCC"},
      {"'\\'' x", "HHHCCC"},
      {"/*/ { */ y", "CBBBBBBCCC"},             // "/*/" does not close the comment
      {"a/**//b", "CCBBCCC"},                     // nor does "*//" open a line comment
      {"a //b\nc", "CCCLLCC"},
      {"// a \\\nb\nc", "CLLLLLLLCC"},           // a backslash joins the next line to the comment
      {"\"open\nx", "SSSSSCC"},                  // a line ends a literal left open
      {"/* a\nb */ c", "CBBBBBBBCCC"},
  };
  for (const auto &c : cases) EXPECT_EQ(Where(c.code), c.where) << c.code;
}
