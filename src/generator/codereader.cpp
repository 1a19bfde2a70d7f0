// The reader of C and C++ code.
//
// A quote opens a literal unless it separates the digits of a number
// (1'000); an identifier before it may be a literal's prefix (L'{', u8"}"),
// and one that ends in R opens a raw string (R"x({)x"), whose delimiter
// decides where it ends. A line ends a line comment and an unterminated
// literal unless a backslash joins the next line to it; a block comment and
// a raw string go on over lines.
#include "generator/codereader.h"

static bool IsIdentChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

static bool RawPrefix(const std::string &word) {
  return word == "R" || word == "LR" || word == "uR" || word == "UR" || word == "u8R";
}

// In code: a comment or a literal may begin.
static void InCode(CodeReader &r, char &c) {
  if (r.prev == '/' && c == '/') {
    r.where = CodeReader::LineComment;
  } else if (r.prev == '/' && c == '*') {
    r.where = CodeReader::BlockComment;
    c = 0;  // "/*/" does not close the comment
  } else if (c == '"' && RawPrefix(r.word)) {
    r.where = CodeReader::RawString;
    r.rawOpen = true;
    r.rawEnd.clear();
    r.rawTail.clear();
  } else if (c == '"') {
    r.where = CodeReader::String;
  } else if (c == '\'' && !r.number) {
    r.where = CodeReader::Char;
  }
  r.number = r.number ? IsIdentChar(c) || c == '.' || c == '\'' : c >= '0' && c <= '9' && !IsIdentChar(r.prev);
  if (IsIdentChar(c) && !r.number)
    r.word += c;
  else
    r.word.clear();
}

// In a raw string: its delimiter up to "(", then its text up to ")delimiter\"".
static void InRawString(CodeReader &r, char c) {
  if (r.rawOpen) {
    if (c != '(') r.rawEnd += c;
    else r.rawOpen = false, r.rawEnd = ")" + r.rawEnd + "\"";
    return;
  }
  r.rawTail += c;
  if (r.rawTail.size() > r.rawEnd.size()) r.rawTail.erase(0, r.rawTail.size() - r.rawEnd.size());
  if (r.rawTail == r.rawEnd) r.where = CodeReader::Code;
}

void ReadCodeChar(CodeReader &r, char c) {
  if (c == '\n' && r.where != CodeReader::RawString) {
    bool spliced = r.prev == '\\';
    if (!spliced && r.where != CodeReader::BlockComment) r.where = CodeReader::Code;
    r.escape = r.number = false;
    r.word.clear();
    r.prev = c;
    return;
  }
  switch (r.where) {
    case CodeReader::Code: InCode(r, c); break;
    case CodeReader::LineComment: break;
    case CodeReader::BlockComment:
      if (r.prev == '*' && c == '/') {
        r.where = CodeReader::Code;
        c = 0;  // "*//" opens no line comment
      }
      break;
    case CodeReader::String:
    case CodeReader::Char:
      if (r.escape)
        r.escape = false;
      else if (c == '\\')
        r.escape = true;
      else if (c == (r.where == CodeReader::String ? '"' : '\''))
        r.where = CodeReader::Code;
      break;
    case CodeReader::RawString: InRawString(r, c); break;
  }
  r.prev = c;
}

void ResetCodeReader(CodeReader &reader) { reader = CodeReader(); }
