// The writers of the code file.
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
// The code reader follows the code written, so that when macro code leaves a
// comment or a literal open, or a line that a backslash continues, the print
// statements up to the next macro code are written as the designed form
// writes them, as the compiler will see them.
#include "generator/codeform.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "generator/codereader.h"
#include "generator/linedir.h"
#include "generator/sink.h"
#include "scanner/input_stack.h"

int CompactForm = 0;
std::string TextSegmentsName;
const char SegmentMark[9] = "VORNSEG1";

// The opening of the compact program's main: the final source is its first
// argument and the text segments file its second, so that the program's text
// names no file of one run. The segment reader is in the support library.
static const char *const CompactMainLines[] = {
    "int main(int _vargc, char **_vargv) {",
    "stdcom = fopen(_vargc > 1 ? _vargv[1] : \"\", \"w\"); if (!stdcom) return _vwriteFailed(errno);",
    "_vload(_vargc > 2 ? _vargv[2] : 0);",
};

namespace {

// The designed form's last two bytes written and the kind of the last write.
char Tail[2] = {'\n', '\n'};
WriteKind LastKind = Verbatim;

CodeReader Reader;          // where the compiler's reading of the code written stands
bool RawLine = false;       // the rest of this line stays as written
bool Spliced = false;       // a backslash came last, or a backslash and a CR
bool LineStart = true;      // the code file's last character is a newline (or there is none)
bool AfterCode = true;      // the next print statement follows macro code
bool StatementsAsCode = false; // the last code left the compiler inside something: statements stay as written
int KnownLine = -1;         // the template line the compiler gives the next code-file line, -1 unknown
std::string KnownName;      // the template file of KnownLine
unsigned long long NextSegmentSize = 0; // bytes written to the segment the next _vs statement prints

// Follows one character of code written as it is.
void Feed(char c) {
  // A continued line must stay as written, whatever it holds; the compiler
  // also takes a backslash before a CR LF line end as a splice.
  if (c == '\n') RawLine = Spliced;
  Spliced = c == '\\' || (c == '\r' && Spliced);
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

// Writes text as it is, following it with the reader.
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

// Adds bytes to the segment being written.
void WriteSegmentBytes(std::string_view bytes) {
  if (Segments != nullptr && !bytes.empty() &&
      fwrite(bytes.data(), 1, bytes.size(), Segments) != bytes.size())
    SegmentsFailed = SegmentsFailed ? SegmentsFailed : errno;
  SegmentBytes += bytes.size();
}

// Ends the segment being written and writes the statement that prints it.
void EndSegment() {
  SegmentEnds.push_back(SegmentBytes);
  Pass("_vs(" + std::to_string(SegmentEnds.size() - 1) + ");");
}

// Prints the bytes taken since the last segment by one statement: they go
// to a segment of their own, so that the program's text does not depend on them.
void FlushSegment() {
  if (NextSegmentSize == 0) return;
  Emit(LineStart ? "" : "\n");
  EndSegment();
  Emit("\n");
  NextSegmentSize = 0;
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

// The compact form's code: written as it is, after the text before it.
void WriteCompactCode(std::string_view code, WriteKind kind) {
  FlushSegment();
  if ((kind == MacroCode || kind == ValueCode) && !Raw()) MarkTemplateLine();
  // A "#line" line must start a line; the designed form's line break
  // before it went with the statements.
  if (kind == Verbatim && !Raw() && !LineStart && code[0] == '#') Emit("\n");
  Pass(code);
  if (kind == Verbatim) KnownLine = -1;
  AfterCode = kind != ValueCode;
  StatementsAsCode = Raw();
}

}  // namespace

void WriteCode(std::string_view code, WriteKind kind) {
  if (!CompactForm) {
    WriteBytes(outfileT, code);
    if (!code.empty()) {
      Tail[0] = code.size() > 1 ? code[code.size() - 2] : Tail[1];
      Tail[1] = code.back();
    }
    LastKind = kind;
    return;
  }
  if (kind != Statements) {
    if (!code.empty()) WriteCompactCode(code, kind);
  } else if (StatementsAsCode) {
    Pass(code);
  }
}

void WriteMacroCode(std::string_view code, const std::string &column, WriteKind kind) {
  if (!CompactForm || code.empty() || Raw() || column.empty() || LastFile == nullptr) {
    WriteCode(code, kind);
    return;
  }
  FlushSegment();
  if (kind == MacroCode) {
    // The directive must start a line; the code then starts at its column.
    if (!LineStart) Emit("\n");
    Emit(DirectiveText(LastFile->line, LastFile->fname.c_str()));
    KnownLine = LastFile->line;
    KnownName = LastFile->fname;
  }
  if (LineStart) Pass(column);
  Pass(code);
  if (kind == Verbatim) KnownLine = -1;
  AfterCode = true;
  StatementsAsCode = Raw();
}

void WriteExpression(std::string_view expression, const std::string &column) {
  std::string head = "fprintf(stdcom,_printType(_ftype1(" + std::string(expression) + "))";
  if (!CompactForm || Raw() || LastFile == nullptr || column.empty()) {
    WriteCode(head, ValueCode);
    WriteCode("," + std::string(expression) + ");", ValueCode);
    return;
  }
  // The rest of the statement, on a line of its own, is of the same template
  // line: a compiler that quotes the generated line shows the expression alone.
  FlushSegment();
  std::string directive = DirectiveText(LastFile->line, LastFile->fname.c_str());
  Pass(LineStart ? "{ auto _vv = (\n" : "\n{ auto _vv = (\n");
  Emit(directive);
  Pass(column);
  Pass(expression);
  Pass("\n");
  Emit(directive);
  // A value with no printed form is reported at the unary + that takes its
  // type code: gcc and clang both name an operator call by its operator, so
  // the report stands at the expression's column. It is a statement of its
  // own, as gcc names a call inside another call's arguments by the outer one.
  Pass("); auto _vf = _ftype1(_vv); int _vt =\n");
  Emit(directive);
  Pass(column);
  Pass("+_vf\n");
  Emit(directive);
  Pass("; fprintf(stdcom,_printType(_vt),_vv); }\n");
  KnownLine = LastFile->line + 1;
  KnownName = LastFile->fname;
  AfterCode = false;
  StatementsAsCode = Raw();
}

int TakesStatementCode() { return !CompactForm || StatementsAsCode; }

int TakesPrints() { return CompactForm; }

void TakePrints(std::string_view bytes, size_t firstEnd) {
  if (!CompactForm || StatementsAsCode) return;
  if (AfterCode) {
    // One statement, as the code before it may govern exactly one.
    FlushSegment();
    WriteSegmentBytes(bytes.substr(0, firstEnd));
    EndSegment();
    bytes.remove_prefix(firstEnd);
    AfterCode = false;
  }
  WriteSegmentBytes(bytes);
  NextSegmentSize += bytes.size();
}

void MarkLine(WriteKind kind, int line, const char *name) {
  if (CompactForm) return;
  // Code that goes on from the inserted code just before it (it may have
  // left a literal open) takes no directive.
  if (kind == MacroCode && LastKind == MacroCode) return;
  // The directive must start a line, and one that no backslash joins to
  // the line before.
  std::string text = Tail[1] == '\\' ? "\n\n" : Tail[1] != '\n' || Tail[0] == '\\' ? "\n" : "";
  WriteCode(text + DirectiveText(line, name), Verbatim);
}

void FinishCode() {
  if (!CompactForm) return;
  FlushSegment();
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
  if (Segments != nullptr) setvbuf(Segments, nullptr, _IOFBF, 1 << 16);
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
  RawLine = Spliced = false;
  LineStart = AfterCode = true;
  StatementsAsCode = false;
  KnownLine = -1;
  KnownName.clear();
  NextSegmentSize = 0;
}
