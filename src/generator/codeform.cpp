// The form in which the generator program reaches the code file.
//
// The compact form keeps the designed program's meaning to the letter:
// - every piece of macro code, and whatever the compiler reads together with
//   it, is written exactly as the designed form writes it;
// - the first print statement after a macro line or inserted code is written
//   as it is too, since that code may be an unbraced "if" or loop that
//   governs exactly one statement (or may use the statement's value); an
//   embedded expression's statement is complete in itself and governs none;
// - every other run of print statements becomes fwrite statements that print
//   the same bytes; nothing can run between them, so one statement serves.
// A small lexer follows the code written as it is, so that print statements
// inside a comment or a literal that the code left open, or on a line that a
// backslash continues, stay as written, as the compiler will see them.
#include "generator/codeform.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "generator/linedir.h"
#include "generator/output.h"
#include "scanner/input_stack.h"

int CompactForm = 0;

namespace {

// The designed form's last two bytes written and the kind of the last write.
char Tail[2] = {'\n', '\n'};
WriteKind LastKind = Verbatim;

// Where the compiler's reading of the code written as it is stands.
enum LexState { Plain, LineComment, BlockComment, InString, InChar };

LexState Lex = Plain;
char LexPrev = 0;       // the character before the one being read
bool LexEscape = false; // inside a literal, the previous character was an escaping backslash
bool InNumber = false;  // inside a number, where ' separates digits
bool RawLine = false;   // the rest of this line stays as written
bool LineStart = true; // the code file's last character is a newline (or there is none)
bool AfterCode = true;  // the next print statement follows macro code
int KnownLine = -1;     // the template line the compiler gives the next code-file line, -1 unknown
std::string KnownName;  // the template file of KnownLine
std::string Pending;    // statement text not yet read back: a statement the next write completes
std::string Group;      // bytes the next fwrite statements print
std::string Format;     // a statement's format, read back

bool IsIdentChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Follows one character of code written as it is.
void Feed(char c) {
  if (c == '\n') {
    bool spliced = LexPrev == '\\';
    RawLine = spliced;  // a continued line must stay as written, whatever it holds
    if (!spliced && Lex != BlockComment) Lex = Plain;
    LexEscape = false;
    InNumber = false;
    LexPrev = c;
    return;
  }
  switch (Lex) {
    case Plain:
      if (LexPrev == '/' && c == '/') {
        Lex = LineComment;
      } else if (LexPrev == '/' && c == '*') {
        Lex = BlockComment;
        c = 0;  // "/*/" does not close the comment
      } else if (c == '"') {
        Lex = InString;
      } else if (c == '\'' && !InNumber) {
        Lex = InChar;
      }
      InNumber = InNumber ? IsIdentChar(c) || c == '.' || c == '\'' : c >= '0' && c <= '9' && !IsIdentChar(LexPrev);
      break;
    case LineComment: break;
    case BlockComment:
      if (LexPrev == '*' && c == '/') {
        Lex = Plain;
        c = 0;
      }
      break;
    case InString:
    case InChar:
      if (LexEscape)
        LexEscape = false;
      else if (c == '\\')
        LexEscape = true;
      else if (c == (Lex == InString ? '"' : '\''))
        Lex = Plain;
      break;
  }
  LexPrev = c;
}

// Text written here must stay as the designed form writes it.
bool Raw() { return Lex != Plain || RawLine; }

// Writes text to the code file, keeping count of the lines it ends.
void Emit(std::string_view text) {
  if (text.empty()) return;
  WriteBytes(outfileT, text);
  if (KnownLine >= 0) KnownLine += static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  LineStart = text.back() == '\n';
}

// Writes text as it is, following it with the lexer.
void Pass(std::string_view text) {
  for (char c : text) Feed(c);
  Emit(text);
}

// How each byte stands inside a C string literal of the compact form: most
// as themselves; quote, backslash and the usual controls by their escapes;
// other controls and bytes 0x7F-0xFF by three octal digits, which a digit
// after them cannot extend.
struct LiteralTable {
  char text[256][5];
  unsigned char size[256];
  LiteralTable() {
    for (int c = 0; c < 256; c++) {
      std::string out;
      if (c == '"' || c == '\\') out = std::string("\\") + static_cast<char>(c);
      else if (c == '\n') out = "\\n";
      else if (c == '\t') out = "\\t";
      else if (c == '\r') out = "\\r";
      else if (c < 0x20 || c >= 0x7F)
        out = {'\\', static_cast<char>('0' + (c >> 6)), static_cast<char>('0' + ((c >> 3) & 7)),
               static_cast<char>('0' + (c & 7))};
      else out = std::string(1, static_cast<char>(c));
      size[c] = static_cast<unsigned char>(out.size());
      out.copy(text[c], out.size());
    }
  }
};
const LiteralTable Literal;

// Writes the literal form of part[i] to out (room for 4 characters); returns
// its length. A question mark next to another one is escaped, so that no
// "??" of a trigraph stands in the literal.
inline size_t LiteralByte(std::string_view part, size_t i, char *out) {
  unsigned char c = static_cast<unsigned char>(part[i]);
  if (c == '?' && ((i > 0 && part[i - 1] == '?') || (i + 1 < part.size() && part[i + 1] == '?'))) {
    out[0] = '\\';
    out[1] = '?';
    return 2;
  }
  memcpy(out, Literal.text[c], 4);
  return Literal.size[c];
}

// Appends to out the literal piece that starts at part[i]: as many bytes as
// fit in PieceLimit characters, up to the last line break among them when the
// piece does not reach the end. Returns where the next piece starts.
size_t AppendPiece(std::string &out, std::string_view part, size_t i) {
  char piece[PieceLimit + 4];
  size_t n = 0, j = i, breakN = 0, breakJ = i;
  while (j < part.size() && n <= PieceLimit - 4) {
    n += LiteralByte(part, j, piece + n);
    if (part[j++] == '\n') breakN = n, breakJ = j;
  }
  if (j < part.size() && breakJ > i) n = breakN, j = breakJ;
  out += '"';
  out.append(piece, n);
  out += '"';
  return j;
}

// Writes Group out as fwrite statements. Their literal pieces are as long as
// a piece may be, since every string token costs the compiler time and
// memory; a piece ends after the last line break that fits, so that the
// code file's lines mostly follow the final source's.
void FlushGroup() {
  std::string_view rest = Group;
  std::string statement;
  while (!rest.empty()) {
    std::string_view part = rest.substr(0, WriteLimit);
    rest.remove_prefix(part.size());
    statement.assign(LineStart ? "fwrite(" : "\nfwrite(");
    for (size_t i = AppendPiece(statement, part, 0); i < part.size();) {
      statement += '\n';
      i = AppendPiece(statement, part, i);
    }
    statement += ", 1, " + std::to_string(part.size()) + ", stdcom);\n";
    Emit(statement);
  }
  Group.clear();
}

enum Parse { Complete, Incomplete, Invalid };

// Reads the word at text[at]; Incomplete when the text ends inside it.
Parse Expect(std::string_view text, size_t &at, std::string_view word) {
  std::string_view have = text.substr(at, word.size());
  if (word.compare(0, have.size(), have) != 0) return Invalid;
  if (have.size() < word.size()) return Incomplete;
  at += word.size();
  return Complete;
}

int DigitValue(char c, int base) {
  int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : 99;
  return v < base ? v : -1;
}

// Reads one escape sequence after its backslash at text[at] into out.
Parse ReadEscape(std::string_view text, size_t &at, std::string &out) {
  if (at >= text.size()) return Incomplete;
  char e = text[at++];
  static const std::string_view simple = "n\nt\tr\rv\vb\bf\fa\a\\\\\"\"''??";
  for (size_t k = 0; k < simple.size(); k += 2)
    if (simple[k] == e) {
      out += simple[k + 1];
      return Complete;
    }
  int base = e == 'x' ? 16 : DigitValue(e, 8) >= 0 ? 8 : 0;
  if (base == 0) return Invalid;
  int value = base == 8 ? DigitValue(e, 8) : 0;
  size_t digits = base == 8 ? 1 : 0;
  for (; at < text.size() && (base == 16 || digits < 3) && DigitValue(text[at], base) >= 0; digits++)
    value = value * base + DigitValue(text[at++], base);
  if (at >= text.size() && (base == 16 || digits < 3)) return Incomplete;  // more digits may follow
  if (digits == 0) return Invalid;
  out += static_cast<char>(value & 0xFF);
  return Complete;
}

// Reads a literal whose opening quote has been read, up to its closing quote, into out.
// Bytes that end a run of a literal's plain characters.
struct StopTable {
  bool of[2][256] = {};  // [0] in a string, [1] in a character literal
  StopTable() {
    for (int k = 0; k < 2; k++) of[k]['\\'] = of[k]['\n'] = true;
    of[0]['"'] = of[1]['\''] = true;
  }
};
const StopTable Stops;

Parse ReadLiteral(std::string_view text, size_t &at, char quote, std::string &out) {
  const bool *stop = Stops.of[quote == '"' ? 0 : 1];
  while (at < text.size()) {
    size_t run = at;
    while (run < text.size() && !stop[static_cast<unsigned char>(text[run])]) run++;
    out.append(text.data() + at, run - at);
    at = run;
    if (at >= text.size()) break;
    char c = text[at++];
    if (c == quote) return Complete;
    if (c == '\n') return Invalid;
    Parse p = ReadEscape(text, at, out);
    if (p != Complete) return p;
  }
  return Incomplete;
}

// A format without arguments prints itself, "%%" as one '%'.
bool PrintFormat(const std::string &format, std::string &out) {
  for (size_t i = 0; i < format.size(); i++) {
    if (format[i] == '%' && (++i >= format.size() || format[i] != '%')) return false;
    out += format[i];
  }
  return true;
}

// Reads one print statement at the start of text; on Complete, len is its
// length and its bytes are appended to Group. The designed form writes three
// shapes: fprintf(stdcom,"%s","text"); fprintf(stdcom, "%c",'\n'); and
// fprintf(stdcom, "format"); (a format with no conversion).
Parse ReadStatement(std::string_view text, size_t &len) {
  // The text statement, the commonest by far, skips reading its format.
  static const std::string_view textHead = "fprintf(stdcom,\"%s\",\"";
  if (text.substr(0, textHead.size()) == textHead) {
    size_t at = textHead.size(), start = Group.size();
    Parse p = ReadLiteral(text, at, '"', Group);
    if (p == Complete) p = Expect(text, at, ");");
    if (p == Complete) Group.resize(std::min(Group.size(), Group.find('\0', start)));
    len = at;
    return p;
  }
  size_t at = 0;
  Parse p = Expect(text, at, "fprintf(stdcom,");
  if (p == Complete && at < text.size() && text[at] == ' ') at++;
  if (p == Complete) p = Expect(text, at, "\"");
  Format.clear();
  if (p == Complete) p = ReadLiteral(text, at, '"', Format);
  if (p != Complete) return p;
  if (at >= text.size()) return Incomplete;
  if (text[at] == ')') {
    p = Expect(text, at, ");");
    if (p == Complete && !PrintFormat(Format, Group)) return Invalid;
  } else {
    p = Expect(text, at, ",");
    if (p != Complete) return p;
    if (at >= text.size()) return Incomplete;
    char quote = text[at++];
    if ((quote != '"' || Format != "%s") && (quote != '\'' || Format != "%c")) return Invalid;
    size_t start = Group.size();
    p = ReadLiteral(text, at, quote, Group);
    if (p == Complete && quote == '\'' && Group.size() != start + 1) return Invalid;
    if (p == Complete) p = Expect(text, at, ");");
    // "%s" prints up to a NUL byte.
    if (p == Complete && quote == '"') Group.resize(std::min(Group.size(), Group.find('\0', start)));
  }
  len = at;
  return p;
}

// Reads back the complete statements of text; returns how much of it was
// read. A statement that the next write completes is left.
size_t ReadStatements(std::string_view text) {
  size_t at = 0;
  while (at < text.size()) {
    if (Raw()) {
      size_t from = at;
      while (at < text.size() && Raw()) Feed(text[at++]);
      FlushGroup();
      Emit(text.substr(from, at - from));
      continue;
    }
    if (text[at] == '\n' || text[at] == ' ') {
      at++;
      continue;
    }
    size_t mark = Group.size(), len = 0;
    Parse p = ReadStatement(text.substr(at), len);
    if (p != Complete) Group.resize(mark);
    if (p == Incomplete) break;
    if (p == Invalid) {  // not a print statement after all: keep its line as it is
      RawLine = true;
      continue;
    }
    if (AfterCode) {
      Group.resize(mark);
      FlushGroup();
      Pass(text.substr(at, len));
      AfterCode = false;
    } else if (Group.size() >= WriteLimit) {
      FlushGroup();
    }
    at += len;
  }
  return at;
}

// Gives the compiler the template line of the macro code about to be written.
void MarkTemplateLine() {
  if (LastFile == nullptr) return;
  if (KnownLine == LastFile->line && KnownName == LastFile->fname) return;
  if (!LineStart) Emit("\n");
  Emit(DirectiveText(LastFile->line, LastFile->fname.c_str()));
  KnownLine = LastFile->line;
  KnownName = LastFile->fname;
}

}  // namespace

void WriteCode(std::string_view bytes, WriteKind kind) {
  if (!CompactForm) {
    WriteBytes(outfileT, bytes);
    if (!bytes.empty()) {
      Tail[0] = bytes.size() > 1 ? bytes[bytes.size() - 2] : Tail[1];
      Tail[1] = bytes.back();
    }
    LastKind = kind;
    return;
  }
  if (bytes.empty()) return;
  if (kind == Statements) {
    // Most writes hold whole statements: read them where they are.
    if (Pending.empty()) {
      Pending.assign(bytes.substr(ReadStatements(bytes)));
    } else {
      Pending.append(bytes);
      Pending.erase(0, ReadStatements(Pending));
    }
    return;
  }
  // What is left of Pending is the head of the statement this code continues.
  FlushGroup();
  if ((kind == MacroCode || kind == ValueCode) && !Raw()) MarkTemplateLine();
  // A "#line" line must start a line; the designed form's line break
  // before it went with the statements read back.
  if (kind == Verbatim && !Raw() && !LineStart && bytes[0] == '#') Emit("\n");
  Pass(Pending);
  Pending.clear();
  Pass(bytes);
  if (kind == Verbatim) KnownLine = -1;
  AfterCode = kind != ValueCode;
}

void MarkCodeLine(WriteKind kind) {
  if (CompactForm || LastFile == nullptr) return;
  FlushBufferPr(CodeFile);
  FlushBuffer1(CodeFile);
  // Code that goes on from the inserted code just before it (it may have
  // left a literal open) takes no directive.
  if (kind == MacroCode && LastKind == MacroCode) return;
  // The directive must start a line, and one that no backslash joins to
  // the line before.
  std::string text = Tail[1] == '\\' ? "\n\n" : Tail[1] != '\n' || Tail[0] == '\\' ? "\n" : "";
  WriteCode(text + DirectiveText(LastFile->line, LastFile->fname.c_str()), Verbatim);
}

void FinishCode() {
  if (!CompactForm) return;
  FlushGroup();
  Pass(Pending);
  Pending.clear();
}

void ResetCodeForm() {
  CompactForm = 0;
  Tail[0] = Tail[1] = '\n';
  LastKind = Verbatim;
  Lex = Plain;
  LexPrev = 0;
  LexEscape = InNumber = RawLine = false;
  LineStart = AfterCode = true;
  KnownLine = -1;
  KnownName.clear();
  Pending.clear();
  Group.clear();
}
