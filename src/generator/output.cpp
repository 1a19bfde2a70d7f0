// The statement maker.
//
// Buffered text (PrintText, PrintChar) collects until a flush; direct text
// (PrintExact, PrintStr, PrintLine) flushes first, so each file receives the
// text in the order of the calls. The code buffer is where a text statement is
// assembled; the finishing flush completes one that is still open.
//
// Beside its code text, every print statement carries the bytes it prints.
// The writer is handed those bytes in the order of the code file, with where
// the first statement of each handover ends: the compact form prints them
// from its text segments and never reads the code back. Where a statement
// ends and when one is completed the maker knows from what it appended; the
// line bookkeeping looks only at the first bytes of the pending text, kept as
// they are appended.
//
// A piece longer than the threshold is held whole, and NUL bytes of the
// input travel through like any other byte.
#include "generator/output.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

#include "driver/diagnostics.h"
#include "generator/flags.h"
#include "generator/linedir.h"
#include "scanner/input_stack.h"

Bytes BufferT;
std::string BufferM;
int LastPLine = -2;
const char *const strt = "fprintf(stdcom";
const int strtL = 14;
const char *const ENDBUF = ");\n";
const char *const TextHead = "fprintf(stdcom,\"%s\",\"";
const size_t FlushThreshold = 2000;

static const size_t HandOverSize = 1 << 16; // written code text is handed over in pieces of about this size

// The code buffer holds code text in the file's order: first what is written
// but not yet handed to the writer, then the pending text, which the flushes
// and the threshold act on. Handing text over in large pieces costs the
// writer one call where the flushes come at every line. A writer that does
// not take the code of print statements (the compact form, where no macro
// code left the compiler inside a comment or literal) is spared it: the
// buffer then stays empty, and only the size of the pending text and its
// first bytes, all that the flushes and the line bookkeeping look at, are
// kept.
namespace {
bool KeepCode = true;          // the writer takes the code of print statements
bool KeepPrints = false;       // the writer takes what they print
size_t PendingSize = 0;        // bytes of pending code text
struct Head {                  // the first bytes of the pending text, from its start and after its blanks
  char at0[16], afterBlanks[16];
  size_t n0 = 0, nb = 0;
  bool blanksOnly = true;      // nothing but line breaks and spaces so far
} PendingHead;
bool StatementOpen = false;    // a print statement's head is written, its end not yet
Bytes Done;                    // what the statements not yet handed over print, the open one's last
size_t OpenStart = 0;          // where the open statement's bytes begin in Done
bool OpenHasNul = false;       // a NUL byte is among them
std::vector<size_t> DoneEnds;  // where each of those statements ends in Done
size_t DoneMark = 0;           // how many of them stand before the pending text
}  // namespace

static FILE *StreamOf(int type) { return type == CodeFile ? outfileT : outfileM; }

size_t PendingCodeSize() { return PendingSize; }

// Where the pending text begins in BufferT (when the code is kept).
static size_t Mark() { return BufferT.size() > PendingSize ? BufferT.size() - PendingSize : 0; }

// Keeps the first bytes of the pending text: all that the line bookkeeping looks at.
static void FillHead(std::string_view code) {
  Head &h = PendingHead;
  if (h.n0 == 0 && code.size() >= sizeof h.at0 && code[0] != '\n' && code[0] != ' ') {
    // The common case: the first piece is a statement's head, or longer.
    memcpy(h.at0, code.data(), sizeof h.at0);
    memcpy(h.afterBlanks, code.data(), sizeof h.afterBlanks);
    h.n0 = h.nb = sizeof h.at0;
    h.blanksOnly = false;
    return;
  }
  for (size_t k = 0; k < code.size() && h.n0 < sizeof h.at0; k++) h.at0[h.n0++] = code[k];
  size_t k = 0;
  while (h.blanksOnly && k < code.size() && (code[k] == '\n' || code[k] == ' ')) k++;
  h.blanksOnly = h.blanksOnly && k == code.size();
  for (; k < code.size() && h.nb < sizeof h.afterBlanks; k++) h.afterBlanks[h.nb++] = code[k];
}

// Appends code text to the pending text.
static inline void AddCode(std::string_view code) {
  if (PendingHead.nb < sizeof PendingHead.afterBlanks) FillHead(code);
  PendingSize += code.size();
  if (KeepCode) BufferT.append(code);
}

// Writes code text ahead of the pending text.
static void WriteAtMark(std::string_view code) {
  if (!KeepCode) return;
  if (PendingSize == 0)
    BufferT.append(code);
  else
    BufferT.insert(Mark(), code);
}

static void AddStatement(std::string_view prints) {
  if (!KeepPrints) return;
  if (prints.size() == 1)
    Done.push_back(prints[0]);  // a special character's statement: the commonest
  else
    Done.append(prints);
  DoneEnds.push_back(Done.size());
}

// A statement whose code has just been written ahead of the pending text:
// its bytes go before those of the statements in the pending text, the open
// one's included.
static void StatementAtMark(std::string_view prints) {
  if (!KeepPrints) return;
  if (DoneMark == DoneEnds.size() && !StatementOpen) {
    AddStatement(prints);
  } else {
    size_t at = DoneMark > 0 ? DoneEnds[DoneMark - 1] : 0;
    Done.insert(at, prints);
    DoneEnds.insert(DoneEnds.begin() + static_cast<long>(DoneMark), at);
    for (size_t k = DoneMark; k < DoneEnds.size(); k++) DoneEnds[k] += prints.size();
    if (StatementOpen) OpenStart += prints.size();
  }
  DoneMark++;
}

// The open statement is complete. A C string cannot hold a NUL byte, so its
// code parts the statement at each one and prints the NUL by a statement of
// its own: three statements where the text has one.
static void EndStatement() {
  if (!StatementOpen) return;
  StatementOpen = false;
  if (!KeepPrints) return;
  std::string_view done = Done.view();
  for (size_t nul = OpenStart; OpenHasNul && (nul = done.find('\0', nul)) != std::string_view::npos; nul++) {
    DoneEnds.push_back(nul);
    DoneEnds.push_back(nul + 1);
  }
  DoneEnds.push_back(Done.size());
  OpenHasNul = false;
}

// A print statement's head is written: what follows prints its bytes.
static void BeginStatement() {
  StatementOpen = true;
  OpenStart = Done.size();
}

// Bytes the open statement prints.
static void AddPrints(std::string_view prints) {
  NotePrintedBreaks(prints);
  if (!KeepPrints) return;
  Done.append(prints);
  OpenHasNul = OpenHasNul || prints.find('\0') != std::string_view::npos;
}

// Hands the writer the code text written so far, and what its statements
// print. The writer's answer to whether it takes the code may change after
// macro code, when nothing is pending.
static void HandOver() {
  size_t written = KeepCode ? Mark() : 0;
  if (written > 0) {
    WriteCode(BufferT.view().substr(0, written), Statements);
    BufferT.erase_front(written);
  }
  if (DoneMark == 0) return;
  size_t end = DoneEnds[DoneMark - 1];
  TakePrints(Done.view().substr(0, end), DoneEnds[0]);
  Done.erase_front(end);
  OpenStart -= StatementOpen ? end : 0;
  DoneEnds.erase(DoneEnds.begin(), DoneEnds.begin() + static_cast<long>(DoneMark));
  for (size_t &e : DoneEnds) e -= end;
  DoneMark = 0;
}

// The pending code text is written.
static void EndPending() {
  PendingSize = 0;
  PendingHead = Head();
  DoneMark = DoneEnds.size();
  if (BufferT.size() >= HandOverSize || Done.size() >= HandOverSize) HandOver();
}

// Macro code reaches the writer after everything before it.
static void WriteOtherCode(std::string_view code, WriteKind kind) {
  HandOver();
  WriteCode(code, kind);
  KeepCode = TakesStatementCode();
}

void WriteRaw(FILE *file, std::string_view bytes, WriteKind kind) {
  if (file != outfileT)
    WriteBytes(file, bytes);
  else if (kind == Statements)
    WriteAtMark(bytes);
  else
    WriteOtherCode(bytes, kind);
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
  PendingSize = DoneMark = 0;
  PendingHead = Head();
  KeepCode = TakesStatementCode();
  KeepPrints = TakesPrints();
  return 1;
}

int CloseFiles() {
  FlushBuffer(BothFiles);
  HandOver();
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

// The bookkeeping of text written to the code file: a print statement at its
// start records its line.
static inline void NoteStatementLine(std::string_view text) {
  if (LastFile != nullptr && LastFile->line != LastPLine && text.compare(0, strtL, strt) == 0 &&
      RecordPrintLine())
    LastPLine = LastFile->line;
}

// NoteStatementLine for the pending text.
static void NotePendingLine() {
  NoteStatementLine(std::string_view(PendingHead.at0, PendingHead.n0));
}

int Printf(FILE *file, const char *format, std::string_view text, WriteKind kind) {
  if (file == outfileT) NoteStatementLine(text);
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
  static std::string joined;  // kept, so that its room is reused
  joined.assign(whole.substr(0, hole)).append(text).append(whole.substr(hole + 2));
  WriteRaw(file, joined, kind);
  return static_cast<int>(joined.size());
}

void FlushBufferPr(int type) {
  // Cheapest test first: nothing happens while the line is the recorded one.
  if (type != CodeFile || LastFile == nullptr || LastFile->line == LastPLine) return;
  std::string_view head(PendingHead.afterBlanks, PendingHead.nb);
  if (head.compare(0, strtL - 1, strt, strtL - 1) != 0) return;
  ProbeStatementLine();
}

void FlushBuffer(int type) {
  if (type != MacroFile && PendingCodeSize() > 0) {
    if (StatementOpen) {
      AddCode("\"");
      AddCode(ENDBUF);
      in_text = 0;  // the statement is complete: the next text opens a new one
      EndStatement();
    }
    NotePendingLine();
    EndPending();
  }
  if (type != CodeFile && !BufferM.empty()) {
    Printf(outfileM, "%s", BufferM);
    BufferM.clear();
  }
}

void FlushBuffer1(int type) {
  if (type != MacroFile && PendingCodeSize() > 0) {
    NotePendingLine();
    EndPending();
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
    FlushBuffer1(CodeFile);
    return;
  }
  AddCode("\"");
  AddCode(ENDBUF);
  EndStatement();
  NotePendingLine();
  EndPending();
  AddCode(TextHead);
  BeginStatement();
}

void PrintText(int type, std::string_view text) {
  if (type == CodeFile) {
    if (PendingCodeSize() + text.size() > FlushThreshold)
      SpillCode();
    else
      FlushBufferPr(CodeFile);
    AddCode(text);
    return;
  }
  if (BufferM.size() + text.size() > FlushThreshold) FlushBuffer1(MacroFile);
  BufferM.append(text);
  if (!text.empty() && text.back() == '\n') FlushBuffer1(MacroFile);
}

void PrintChar(int type, char c) {
  if (type == CodeFile) {
    if (PendingCodeSize() + 1 > FlushThreshold) SpillCode();
    AddCode(std::string_view(&c, 1));
    if (c == '\n') FlushBuffer(CodeFile);
    return;
  }
  if (BufferM.size() + 1 > FlushThreshold) FlushBuffer1(MacroFile);
  BufferM.push_back(c);
  if (c == '"') FlushBuffer1(MacroFile);
}

void PrintUnit(std::string_view code, std::string_view prints) {
  PrintText(CodeFile, code);
  AddPrints(prints);
}

// PrintChar's work for many characters at once: they go in up to the
// threshold, where the statement is spilled and reopened.
void PrintPlain(std::string_view chars) {
  while (!chars.empty()) {
    if (PendingCodeSize() >= FlushThreshold) SpillCode();
    size_t take = std::min(FlushThreshold - PendingCodeSize(), chars.size());
    AddCode(chars.substr(0, take));
    if (KeepPrints) Done.append(chars.substr(0, take));
    chars.remove_prefix(take);
  }
}

void OpenStatement(std::string_view head) {
  PrintText(CodeFile, head);
  BeginStatement();
}

void CloseStatement(std::string_view end) {
  PrintText(CodeFile, end);
  EndStatement();
}

void BufferStatement(std::string_view code, std::string_view prints) {
  PrintText(CodeFile, code);
  NotePrintedBreaks(prints);
  AddStatement(prints);
}

void PrintStatement(std::string_view code, std::string_view prints) {
  FlushBufferPr(CodeFile);
  FlushBuffer(CodeFile);
  NotePrintedBreaks(prints);
  NoteStatementLine(code);
  WriteRaw(outfileT, code);
  StatementAtMark(prints);
}

void PrintStatementTail(const char *format, std::string_view bytes,
                        void (*escape)(std::string &code, std::string_view bytes)) {
  FlushBufferPr(CodeFile);
  FlushBuffer1(CodeFile);
  static std::string code;  // kept, so that its room is reused
  code.clear();
  // Escaping never shortens: the start of the code, which the line bookkeeping
  // looks at, comes from the start of the bytes.
  escape(code, KeepCode ? bytes : bytes.substr(0, strtL));
  if (KeepCode) {
    Printf(outfileT, format, code);
  } else {
    NoteStatementLine(code);
  }
  AddPrints(bytes);
  EndStatement();
  DoneMark = DoneEnds.size();  // nothing is pending: the statement's end is written
}

void PrintExact(int type, const char *format, std::string_view text, WriteKind kind) {
  FlushBufferPr(type);
  FlushBuffer(type);
  Printf(StreamOf(type), format, text, kind);
}

// Whole lines are the prologue's and the epilogue's: never print statements.
void PrintLine(int type, std::string_view line) {
  FlushBuffer1(type);
  Printf(StreamOf(type), "%s\n", line, Verbatim);
}

void PrintNL() { PrintText(CodeFile, "\n"); }

void PrintNL1() {
  PrintNL();
  BufferStatement("fprintf(stdcom,\"\\n\");\n", "\n");
}

void Pnum(FILE *file, int line, const char *name) { WriteRaw(file, DirectiveText(line, name), Verbatim); }

// Writes the statement that puts "#line N \"name\"" into the final source,
// ahead of the pending code text (on line 1 there may be some).
static void WriteDirective(int line, const char *name) {
  bool crlf = LastFile != nullptr && LastFile->crlf;
  static std::string code, prints;  // kept, so that their room is reused
  if (KeepCode) {
    DirectiveStatement(code, line, name, crlf);
    WriteRaw(outfileT, code);
  }
  DirectivePrints(prints, line, name, crlf);
  StatementAtMark(prints);
  NoteDirectiveWritten(line, name);
}

void PnumT(int line, const char *name) {
  // After a #line of the file's own, its lines have the numbers and name that gives them.
  if (LastFile != nullptr && name == LastFile->fname.c_str() && LastFile->mapFrom > 0 &&
      line >= LastFile->mapFrom) {
    long long mapped = static_cast<long long>(LastFile->mapLine) + (line - LastFile->mapFrom);
    line = static_cast<int>(std::min<long long>(mapped, INT_MAX));
    name = LastFile->mapName.c_str();
  }
  DirectiveStep step = TextLineStep(line, name);
  if (step == NoDirective) return;
  FlushBuffer(CodeFile);
  if (step == FlushAndDirective) WriteDirective(line, name);
}

void PnumH(int line, const char *name) {
  if (FirstLineStep()) WriteDirective(line, name);
}

void MarkCodeLine(WriteKind kind) {
  if (LastFile == nullptr) return;
  FlushBufferPr(CodeFile);
  FlushBuffer1(CodeFile);
  HandOver();
  MarkLine(kind, LastFile->line, LastFile->fname.c_str());
  KeepCode = TakesStatementCode();
}

void MacroCodeAt(std::string_view code, const std::string &column, WriteKind kind) {
  FlushBufferPr(CodeFile);
  FlushBuffer1(CodeFile);
  NoteStatementLine(code);
  HandOver();
  WriteMacroCode(code, column, kind);
  KeepCode = TakesStatementCode();
}

void ExpressionStatement(std::string_view expression, const std::string &column) {
  MarkCodeLine(ValueCode);
  if (LastFile != nullptr && LastFile->line != LastPLine) ProbeStatementLine();
  NoteStatementLine(expression);
  HandOver();
  WriteExpression(expression, column);
  KeepCode = TakesStatementCode();
}

void ResetOutput() {
  ResetSink();
  BufferT.clear();
  BufferM.clear();
  LastPLine = -2;
  ResetCodeForm();
  PendingSize = DoneMark = 0;
  PendingHead = Head();
  KeepCode = true;
  KeepPrints = false;
  StatementOpen = OpenHasNul = false;
  OpenStart = 0;
  Done.clear();
  DoneEnds.clear();
}
