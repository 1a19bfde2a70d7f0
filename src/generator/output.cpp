// The statement maker.
//
// Buffered text (PrintText, PrintChar) collects until a flush; direct text
// (PrintExact, PrintStr, PrintLine) flushes first, so each file receives the
// text in the order of the calls. The code buffer is where a text statement is
// assembled; the finishing flush completes one that is still open.
//
// Beside its code text, every print statement carries the bytes it prints.
// Once its code has reached the writer, the writer is handed those bytes,
// statement by statement, in the order of the code file: the compact form
// prints them from its text segments and never reads the code back.
//
// Buffers are std::string: a piece longer than the threshold is held whole,
// and NUL bytes of the input travel through like any other byte.
#include "generator/output.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "driver/diagnostics.h"
#include "generator/flags.h"
#include "generator/linedir.h"
#include "scanner/input_stack.h"

std::string BufferT;
std::string BufferM;
int LastPLine = -2;
const char *const strt = "fprintf(stdcom";
const char *const ENDBUF = ");\n";
const char *const TextHead = "fprintf(stdcom,\"%s\",\"";
const size_t FlushThreshold = 2000;

static const size_t StartLength = 14;  // strlen(strt)

namespace {
bool StatementOpen = false;    // a print statement's head is written, its end not yet
std::string Open;              // what the open statement prints so far
std::string Done;              // what the complete statements not yet handed over print
std::vector<size_t> DoneEnds;  // where each of those statements ends in Done
}  // namespace

static FILE *StreamOf(int type) { return type == CodeFile ? outfileT : outfileM; }

static void AddStatement(std::string_view prints) {
  Done.append(prints);
  DoneEnds.push_back(Done.size());
}

// The open statement is complete. A C string cannot hold a NUL byte, so its
// code parts the statement at each one and prints the NUL by a statement of
// its own: three statements where the text has one.
static void EndStatement() {
  if (!StatementOpen) return;
  StatementOpen = false;
  if (Done.empty() && Open.find('\0') == std::string::npos) {  // the common case, without a copy
    Done.swap(Open);
    DoneEnds.push_back(Done.size());
    return;
  }
  size_t from = 0;
  for (size_t nul; (nul = Open.find('\0', from)) != std::string::npos; from = nul + 1) {
    AddStatement(std::string_view(Open).substr(from, nul - from));
    AddStatement(std::string_view("\0", 1));
  }
  AddStatement(std::string_view(Open).substr(from));
  Open.clear();
}

// Hands the writer what the statements written so far print.
static void Deliver() {
  size_t from = 0;
  for (size_t end : DoneEnds) {
    StatementPrints(std::string_view(Done).substr(from, end - from));
    from = end;
  }
  Done.clear();
  DoneEnds.clear();
}

void WriteRaw(FILE *file, std::string_view bytes, WriteKind kind) {
  if (file != outfileT) {
    WriteBytes(file, bytes);
    return;
  }
  WriteCode(bytes, kind);
  Deliver();
}

// The designed report of a file that could not be created, with perror's
// text; one "vorn: error:" line in a quiet run.
static void ReportOpenFailure(const char *what, const char *name) {
  std::string reason = strerror(errno);
  DesignedError(std::string("Could not open ") + what + " file " + name + ": : " + reason + "\n",
                std::string("cannot create the ") + what + " file " + name + ": " + reason);
}

int openFiles(const char *codeName, const char *macroName) {
  outfileM = fopen(macroName, "w");
  if (outfileM == nullptr) {
    ReportOpenFailure("macro", macroName);
    return 0;
  }
  outfileT = fopen(codeName, "w");
  if (outfileT == nullptr) {
    ReportOpenFailure("code", codeName);
    return 0;
  }
  BufferT.clear();
  BufferM.clear();
  return 1;
}

int CloseFiles() {
  FlushBuffer(BothFiles);
  FinishCode();
  if (fclose(outfileM) != 0) NoteFailure(outfileM);
  if (fclose(outfileT) != 0) NoteFailure(outfileT);
  outfileM = outfileT = nullptr;
  int err = 0;
  return WriteFailure(&err) < 0;
}

// Bookkeeping for a print statement about to reach the code file: records
// its input line. Returns 1 when the line neither repeats nor follows the last
// one (the caller may then owe a directive for line 1).
static int RecordPrintLine() {
  int &line = LastFile->line;
  if (line == LastPLine) return 0;
  if (static_cast<long long>(line) == static_cast<long long>(LastPLine) + 1) {
    LastPLine++;
    return 0;
  }
  if (line == 0) line = 1;
  return 1;
}

// The probe's work once a print statement is known to be pending.
static void ProbeStatementLine() {
  if (!RecordPrintLine()) return;
  if (LastFile->line == 1) PnumH(1, LastFile->fname.c_str());
  LastPLine = LastFile->line;
}

int Printf(FILE *file, const char *format, std::string_view text, WriteKind kind) {
  if (file == outfileT && LastFile != nullptr && LastFile->line != LastPLine &&
      text.compare(0, StartLength, strt) == 0 && RecordPrintLine())
    LastPLine = LastFile->line;
  if (format[0] == '%' && format[1] == 's' && format[2] == '\0') {  // the common case: a flush
    WriteRaw(file, text, kind);
    return static_cast<int>(text.size());
  }
  // Every format takes exactly one string; the text is written by its length.
  std::string_view whole(format);
  size_t hole = whole.find("%s");
  if (hole == std::string_view::npos) {
    WriteRaw(file, whole, kind);
    return static_cast<int>(whole.size());
  }
  std::string joined(whole.substr(0, hole));
  joined.append(text).append(whole.substr(hole + 2));
  WriteRaw(file, joined, kind);
  return static_cast<int>(joined.size());
}

void FlushBufferPr(int type) {
  // Cheapest test first: nothing happens while the line is the recorded one.
  if (type != CodeFile || LastFile == nullptr || LastFile->line == LastPLine) return;
  size_t start = 0;
  while (start < BufferT.size() && (BufferT[start] == '\n' || BufferT[start] == ' ')) start++;
  if (BufferT.compare(start, StartLength - 1, strt, StartLength - 1) != 0) return;
  ProbeStatementLine();
}

// A text counts as terminated when it ends in "\");\n", or when the three
// characters before its last one are ");\n".
static bool Terminated(const std::string &text) {
  size_t len = text.size();
  if (len < 4) return false;
  return text.compare(len - 4, 4, "\");\n") == 0 || text.compare(len - 4, 3, ENDBUF) == 0;
}

void FlushBuffer(int type) {
  if (type != MacroFile && !BufferT.empty()) {
    if (!Terminated(BufferT) && BufferT.find('"') != std::string::npos) {
      BufferT += '"';
      BufferT += ENDBUF;
      in_text = 0;  // the statement is complete: the next text opens a new one
      EndStatement();
    }
    Printf(outfileT, "%s", BufferT);
    BufferT.clear();
  }
  if (type != CodeFile && !BufferM.empty()) {
    Printf(outfileM, "%s", BufferM);
    BufferM.clear();
  }
}

void FlushPending(int type) {
  if (type != MacroFile && !BufferT.empty()) {
    Printf(outfileT, "%s", BufferT);
    BufferT.clear();
  }
  if (type != CodeFile && !BufferM.empty()) {
    Printf(outfileM, "%s", BufferM);
    BufferM.clear();
  }
}

// Writes out the pending code text before an append that would pass the
// threshold. A text statement open at its end is completed here and reopened
// in the emptied buffer, so that the threshold never splits a statement.
static void SpillCode() {
  if (!in_text) {
    FlushPending(CodeFile);
    return;
  }
  BufferT += '"';
  BufferT += ENDBUF;
  EndStatement();
  Printf(outfileT, "%s", BufferT);
  BufferT = TextHead;
  StatementOpen = true;
}

void PrintText(int type, std::string_view text) {
  if (type == CodeFile) {
    if (BufferT.size() + text.size() > FlushThreshold)
      SpillCode();
    else
      FlushBufferPr(CodeFile);
    BufferT.append(text);
    return;
  }
  if (BufferM.size() + text.size() > FlushThreshold) FlushPending(MacroFile);
  BufferM.append(text);
  if (!text.empty() && text.back() == '\n') FlushPending(MacroFile);
}

void PrintChar(int type, char c) {
  if (type == CodeFile) {
    if (BufferT.size() + 1 > FlushThreshold) SpillCode();
    BufferT.push_back(c);
    if (c == '\n') FlushBuffer(CodeFile);
    return;
  }
  if (BufferM.size() + 1 > FlushThreshold) FlushPending(MacroFile);
  BufferM.push_back(c);
  if (c == '"') FlushPending(MacroFile);
}

void PrintUnit(std::string_view code, std::string_view prints) {
  PrintText(CodeFile, code);
  Open.append(prints);
}

// PrintChar's work for many characters at once: they go in up to the
// threshold, where the statement is spilled and reopened.
void PrintPlain(std::string_view chars) {
  while (!chars.empty()) {
    if (BufferT.size() >= FlushThreshold) SpillCode();
    size_t take = std::min(FlushThreshold - BufferT.size(), chars.size());
    BufferT.append(chars.data(), take);
    Open.append(chars.data(), take);
    chars.remove_prefix(take);
  }
}

void OpenStatement(std::string_view head) {
  PrintText(CodeFile, head);
  StatementOpen = true;
}

void CloseStatement(std::string_view end) {
  PrintText(CodeFile, end);
  EndStatement();
}

void BufferStatement(std::string_view code, std::string_view prints) {
  PrintText(CodeFile, code);
  AddStatement(prints);
}

void PrintStatement(std::string_view code, std::string_view prints) {
  FlushBufferPr(CodeFile);
  FlushBuffer(CodeFile);
  AddStatement(prints);
  Printf(outfileT, "%s", code);
}

void PrintStatementTail(const char *format, std::string_view text, std::string_view prints) {
  FlushBufferPr(CodeFile);
  FlushPending(CodeFile);
  Open.append(prints);
  EndStatement();
  Printf(outfileT, format, text);
}

void PrintExact(int type, const char *format, std::string_view text, WriteKind kind) {
  FlushBufferPr(type);
  FlushBuffer(type);
  Printf(StreamOf(type), format, text, kind);
}

void PrintStr(int, const char *format, std::string_view text, WriteKind kind) {
  FlushBufferPr(CodeFile);
  FlushPending(CodeFile);
  Printf(outfileT, format, text, kind);
}

// Whole lines are the prologue's and the epilogue's: never print statements.
void PrintLine(int type, std::string_view line) {
  FlushPending(type);
  Printf(StreamOf(type), "%s\n", line, Verbatim);
}

void PrintNL() { PrintText(CodeFile, "\n"); }

void PrintNL1() {
  PrintNL();
  BufferStatement("fprintf(stdcom,\"\\n\");\n", "\n");
}

void Pnum(FILE *file, int line, const char *name) { WriteRaw(file, DirectiveText(line, name), Verbatim); }

// Writes the statement that puts "#line N \"name\"" into the final source;
// ahead of the pending code text when ahead is set.
static void WriteDirective(int line, const char *name, bool ahead) {
  bool crlf = LastFile != nullptr && LastFile->crlf;
  std::string code = DirectiveStatement(line, name, crlf);
  if (!PrintableName(name)) {
    WriteRaw(outfileT, code, Verbatim);  // no statement can print it: the compiler says so
  } else if (ahead) {
    StatementPrints(DirectivePrints(line, name, crlf));
    WriteRaw(outfileT, code);
  } else {
    AddStatement(DirectivePrints(line, name, crlf));
    WriteRaw(outfileT, code);
  }
  NoteDirectiveWritten();
}

void PnumT(int line, const char *name) {
  DirectiveStep step = TextLineStep(line, name);
  if (step == NoDirective) return;
  FlushBuffer(CodeFile);
  if (step == FlushAndDirective) WriteDirective(line, name, false);
}

void PnumH(int line, const char *name) {
  if (FirstLineStep(line)) WriteDirective(line, name, true);
}

void MarkCodeLine(WriteKind kind) {
  if (LastFile == nullptr) return;
  FlushBufferPr(CodeFile);
  FlushPending(CodeFile);
  MarkLine(kind, LastFile->line, LastFile->fname.c_str());
}

void ExpressionStatement(std::string_view expression) {
  MarkCodeLine(ValueCode);
  if (LastFile != nullptr && LastFile->line != LastPLine) ProbeStatementLine();
  Printf(outfileT, "fprintf(stdcom,_printType(_ftype1(%s))", expression, ValueCode);
  Printf(outfileT, ",%s);", expression, ValueCode);
}

void ResetOutput() {
  ResetSink();
  BufferT.clear();
  BufferM.clear();
  LastPLine = -2;
  ResetCodeForm();
  StatementOpen = false;
  Open.clear();
  Done.clear();
  DoneEnds.clear();
}
