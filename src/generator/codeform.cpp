// The form in which the generator program reaches the code file.
//
// The compact form keeps the designed program's meaning to the letter:
// - every piece of macro code, and whatever the compiler reads together with
//   it, is written exactly as the designed form writes it;
// - the first print statement after a macro line or inserted code becomes one
//   statement of its own, _vs(k), since that code may be an unbraced "if" or
//   loop that governs exactly one statement (or may use the statement's
//   value, which _vs returns as fprintf would); an embedded expression's
//   statement is complete in itself and governs none;
// - every other run of print statements becomes one _vs(k) statement that
//   prints the same bytes from the text segments; nothing can run between
//   them, so one statement serves.
// A small lexer follows the code written as it is, so that print statements
// inside a comment or a literal that the code left open, or on a line that a
// backslash continues, stay as written, as the compiler will see them.
#include "generator/codeform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "generator/codereader.h"
#include "generator/linedir.h"
#include "generator/output.h"
#include "scanner/input_stack.h"

int CompactForm = 0;
std::string TextSegmentsName;
const char SegmentMark[9] = "VORNSEG1";

// The opening of the compact program: it reads the text segments, named by
// its second argument, and prints segment k with _vs(k), which returns what
// fprintf would. The final source is its first argument, so that the
// program's text names no file of one run.
static const char *const CompactMainLines[] = {
    "static char *_vtext; static unsigned long long *_vends, _vcount;",
    "static int _vs(unsigned long long _vk) {",
    "if (_vk >= _vcount) { fprintf(stderr, \"text segment %llu missing\\n\", _vk); exit(1); }",
    "unsigned long long _vfrom = _vk ? _vends[_vk - 1] : 0;",
    "return (int)fwrite(_vtext + _vfrom, 1, _vends[_vk] - _vfrom, stdcom); }",
    "static unsigned long long _vword(long _vat) { unsigned long long _vv = 0;",
    "for (int _vi = 7; _vi >= 0; _vi--) _vv = _vv << 8 | (unsigned char)_vtext[_vat + _vi];",
    "return _vv; }",
    "static void _vload(const char *_vname) {",
    "FILE *_vf = _vname ? fopen(_vname, \"rb\") : NULL; long _vn = -1;",
    "if (_vf && fseek(_vf, 0, SEEK_END) == 0) _vn = ftell(_vf);",
    "_vtext = (char *)malloc(_vn > 0 ? _vn : 1);",
    "int _vok = _vn >= 16 && fseek(_vf, 0, SEEK_SET) == 0 && fread(_vtext, 1, _vn, _vf) == (size_t)_vn",
    "  && memcmp(_vtext + _vn - 8, \"VORNSEG1\", 8) == 0;",
    "if (_vf) fclose(_vf);",
    "unsigned long long _vc = _vok ? _vword(_vn - 16) : 0;",
    "_vok = _vok && _vc <= (unsigned long long)(_vn - 16) / 8;",
    "_vends = (unsigned long long *)malloc(8 * (_vok ? _vc + 1 : 1));",
    "for (unsigned long long _vk = 0; _vok && _vk < _vc; _vk++) {",
    "_vends[_vk] = _vword(_vn - 16 - 8 * (long)_vc + 8 * (long)_vk);",
    "_vok = _vends[_vk] >= (_vk ? _vends[_vk - 1] : 0); }",
    "_vok = _vok && (_vc ? _vends[_vc - 1] : 0) == (unsigned long long)(_vn - 16 - 8 * (long)_vc);",
    "if (!_vok) { fprintf(stderr, \"cannot read the text segments %s\\n\", _vname ? _vname : \"\");"
    " exit(1); }",
    "_vcount = _vc; }",
    "int main(int _vargc, char **_vargv) {",
    "stdcom = fopen(_vargc > 1 ? _vargv[1] : \"\", \"w\"); if (!stdcom) return _vwriteFailed(errno);",
    "_vload(_vargc > 2 ? _vargv[2] : 0);",
};

namespace {

// The designed form's last two bytes written and the kind of the last write.
char Tail[2] = {'\n', '\n'};
WriteKind LastKind = Verbatim;

CodeReader Reader;      // where the compiler's reading of the code written as it is stands
bool RawLine = false;   // the rest of this line stays as written
bool LineStart = true; // the code file's last character is a newline (or there is none)
bool AfterCode = true;  // the next print statement follows macro code
int KnownLine = -1;     // the template line the compiler gives the next code-file line, -1 unknown
std::string KnownName;  // the template file of KnownLine
std::string Pending;    // statement text not yet read back: a statement the next write completes
std::string Group;      // bytes the next _vs statement prints
std::string Format;     // a statement's format, read back

// Follows one character of code written as it is.
void Feed(char c) {
  // A continued line must stay as written, whatever it holds.
  if (c == '\n') RawLine = Reader.prev == '\\';
  ReadCodeChar(Reader, c);
}

// Text written here must stay as the designed form writes it.
bool Raw() { return Reader.where != CodeReader::Code || RawLine; }

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

// The text segments: every byte the compact form prints as constant output,
// in the order of its segments, followed by the end offset of each segment,
// their count and a mark, so that the file can be written as the
// translation goes and checked when it is read.
FILE *Segments = nullptr;
unsigned long long SegmentBytes = 0;        // bytes of text written so far
std::vector<unsigned long long> SegmentEnds; // where each segment ends
int SegmentsFailed = 0;                      // the errno of the first write to the file that failed; 0 for none

// Gives the bytes their segment and writes the statement that prints it.
void EmitSegment(std::string_view bytes) {
  if (Segments != nullptr && !bytes.empty() &&
      fwrite(bytes.data(), 1, bytes.size(), Segments) != bytes.size())
    SegmentsFailed = SegmentsFailed ? SegmentsFailed : errno;
  SegmentBytes += bytes.size();
  SegmentEnds.push_back(SegmentBytes);
  std::string statement = "_vs(" + std::to_string(SegmentEnds.size() - 1) + ");";
  for (char c : statement) Feed(c);
  Emit(statement);
}

// Prints Group by one statement: its bytes go to a segment of their own,
// so that the program's text does not depend on them.
void FlushGroup() {
  if (Group.empty()) return;
  Emit(LineStart ? "" : "\n");
  EmitSegment(Group);
  Emit("\n");
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
      // One statement, as the code before it may govern exactly one.
      std::string own = Group.substr(mark);
      Group.resize(mark);
      FlushGroup();
      EmitSegment(own);
      AfterCode = false;
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

int TakesText() { return CompactForm && Pending.empty() && !Raw() && !AfterCode; }

void TakeText(std::string_view bytes) { Group.append(bytes); }

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
  if (Segments == nullptr) return;
  // The trailer: each segment's end, their count, and the mark the program checks.
  SegmentEnds.push_back(SegmentEnds.size());
  for (unsigned long long value : SegmentEnds) {
    unsigned char word[8];
    for (int i = 0; i < 8; i++) word[i] = static_cast<unsigned char>(value >> (8 * i));
    if (fwrite(word, 1, 8, Segments) != 8 && !SegmentsFailed) SegmentsFailed = errno;
  }
  if (fwrite(SegmentMark, 1, 8, Segments) != 8 && !SegmentsFailed) SegmentsFailed = errno;
  if (fclose(Segments) != 0 && !SegmentsFailed) SegmentsFailed = errno;
  Segments = nullptr;
}

int OpenSegments(const char *name) {
  TextSegmentsName = name;
  Segments = fopen(name, "wb");
  return Segments != nullptr;
}

int SegmentsWritten() {
  errno = SegmentsFailed;
  return !SegmentsFailed;
}

void WriteCompactMain() {
  for (const char *line : CompactMainLines) {
    Pass(line);
    Pass("\n");
  }
}

void ResetCodeForm() {
  CompactForm = 0;
  if (Segments != nullptr) fclose(Segments);
  Segments = nullptr;
  SegmentBytes = 0;
  SegmentEnds.clear();
  SegmentsFailed = 0;
  TextSegmentsName.clear();
  Tail[0] = Tail[1] = '\n';
  LastKind = Verbatim;
  ResetCodeReader(Reader);
  RawLine = false;
  LineStart = AfterCode = true;
  KnownLine = -1;
  KnownName.clear();
  Pending.clear();
  Group.clear();
}
