// A reader of C and C++ code, a character at a time: where comments and
// literals begin and end, as the compiler sees them. Every part of Vorn that
// must know whether a brace or a print statement of generated code stands in
// code, in a comment or in a literal asks one of these.
#pragma once
#include <string>

struct CodeReader {
  enum Where { Code, LineComment, BlockComment, String, Char, RawString };
  Where where = Code;
  char prev = 0;        // the character before the one read last; 0 after a comment's ends
  bool escape = false;  // in a literal, the last character was an escaping backslash
  bool number = false;  // in a number, where ' separates digits
  std::string word;     // the identifier that ends at prev (a literal's prefix: L, u8, R...)
  std::string rawEnd;   // in a raw string: the delimiter, then ")delimiter\"" once it is known
  bool rawOpen = false; // in a raw string, its delimiter is still being read
  std::string rawTail;  // in a raw string: its last characters, to find rawEnd
};

// Reads one character of code.
void ReadCodeChar(CodeReader &reader, char c);
// Puts the reader back to its start.
void ResetCodeReader(CodeReader &reader);
