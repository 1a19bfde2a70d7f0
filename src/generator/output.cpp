// Output streams and buffering.
//
// Buffered text (PrintText, PrintChar) collects until a flush; direct text
// (PrintExact, PrintStr, PrintLine) flushes first, so each file receives the
// text in the order of the calls. The code buffer is where a text statement is
// assembled; the finishing flush completes one that is still open.
//
// Buffers are std::string: a piece longer than the threshold is held whole,
// and NUL bytes of the input travel through like any other byte.
#include "generator/output.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include "driver/diagnostics.h"
#include "generator/flags.h"
#include "generator/linedir.h"
#include "scanner/input_stack.h"

FILE *outfileT = nullptr;
FILE *outfileM = nullptr;
std::string BufferT;
std::string BufferM;
int LastPLine = -2;
const char *const strt = "fprintf(stdcom";
const int strtL = 14;
const char *const ENDBUF = ");\n";
const int ENDBUFL = 3;
const char *const TextHead = "fprintf(stdcom,\"%s\",\"";
const size_t FlushThreshold = 2000;

static int FailedFile = -1;  // first file whose write failed, -1 while none did
static int FailedErrno = 0;  // errno of that failure

static FILE *StreamOf(int type) { return type == CodeFile ? outfileT : outfileM; }

static void NoteFailure(FILE *file) {
  if (FailedFile >= 0) return;
  FailedFile = file == outfileT ? CodeFile : MacroFile;
  FailedErrno = errno;
}

// One thread writes the files, so stdio's per-call locking can be skipped.
#ifdef __GLIBC__
#define VORN_FWRITE fwrite_unlocked
#else
#define VORN_FWRITE fwrite
#endif

void WriteBytes(FILE *file, std::string_view bytes) {
  if (bytes.empty()) return;
  if (VORN_FWRITE(bytes.data(), 1, bytes.size(), file) != bytes.size()) NoteFailure(file);
}

// Everything bound for the code file goes through the writer of its form.
void WriteRaw(FILE *file, std::string_view bytes, WriteKind kind) {
  if (file == outfileT)
    WriteCode(bytes, kind);
  else
    WriteBytes(file, bytes);
}

int WriteFailure(int *err) {
  if (err != nullptr) *err = FailedErrno;
  return FailedFile;
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
  return FailedFile < 0;
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

int Printf(FILE *file, const char *format, std::string_view text, WriteKind kind) {
  if (file == outfileT && LastFile != nullptr && LastFile->line != LastPLine &&
      text.compare(0, strtL, strt) == 0 && RecordPrintLine())
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
  WriteRaw(file, whole.substr(0, hole), kind);
  WriteRaw(file, text, kind);
  WriteRaw(file, whole.substr(hole + 2), kind);
  return static_cast<int>(whole.size() - 2 + text.size());
}

void FlushBufferPr(int type) {
  // Cheapest test first: nothing happens while the line is the recorded one.
  if (type != CodeFile || LastFile == nullptr || LastFile->line == LastPLine) return;
  size_t start = 0;
  while (start < BufferT.size() && (BufferT[start] == '\n' || BufferT[start] == ' ')) start++;
  if (BufferT.compare(start, strtL - 1, strt, strtL - 1) != 0) return;
  if (!RecordPrintLine()) return;
  if (LastFile->line == 1) PnumH(1, LastFile->fname.c_str());
  LastPLine = LastFile->line;
}

// A text counts as terminated when it ends in "\");\n", or when the three
// characters before its last one are ");\n".
static bool Terminated(const std::string &text) {
  size_t len = text.size();
  if (len < 4) return false;
  return text.compare(len - 4, 4, "\");\n") == 0 || text.compare(len - 4, ENDBUFL, ENDBUF) == 0;
}

void FlushBuffer(int type) {
  if (type != MacroFile && !BufferT.empty()) {
    if (!Terminated(BufferT) && BufferT.find('"') != std::string::npos) {
      BufferT += '"';
      BufferT += ENDBUF;
      in_text = 0;  // the statement is complete: the next text opens a new one
    }
    Printf(outfileT, "%s", BufferT);
    BufferT.clear();
  }
  if (type != CodeFile && !BufferM.empty()) {
    Printf(outfileM, "%s", BufferM);
    BufferM.clear();
  }
}

void FlushBuffer1(int type) {
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
    FlushBuffer1(CodeFile);
    return;
  }
  BufferT += '"';
  BufferT += ENDBUF;
  Printf(outfileT, "%s", BufferT);
  BufferT = TextHead;
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
  if (BufferM.size() + text.size() > FlushThreshold) FlushBuffer1(MacroFile);
  BufferM.append(text);
  if (!text.empty() && text.back() == '\n') FlushBuffer1(MacroFile);
}

void PrintChar(int type, char c) {
  if (type == CodeFile) {
    if (BufferT.size() + 1 > FlushThreshold) SpillCode();
    BufferT.push_back(c);
    if (c == '\n') FlushBuffer(CodeFile);
    return;
  }
  if (BufferM.size() + 1 > FlushThreshold) FlushBuffer1(MacroFile);
  BufferM.push_back(c);
  if (c == '"') FlushBuffer1(MacroFile);
}

void PrintExact(int type, const char *format, std::string_view text, WriteKind kind) {
  FlushBufferPr(type);
  FlushBuffer(type);
  Printf(StreamOf(type), format, text, kind);
}

void PrintStr(int, const char *format, std::string_view text, WriteKind kind) {
  FlushBufferPr(CodeFile);
  FlushBuffer1(CodeFile);
  Printf(outfileT, format, text, kind);
}

// Whole lines are the prologue's and the epilogue's: never print statements.
void PrintLine(int type, std::string_view line) {
  FlushBuffer1(type);
  Printf(StreamOf(type), "%s\n", line, Verbatim);
}

int PrintDirect(std::string_view bytes) {
  if (!TakesText() || is_macro == 1 || LastFile == nullptr) return 0;
  // From line 2 on, a print statement's bookkeeping only records its line,
  // as the designed way records it when the statement reaches the file.
  int line = LastFile->line;
  if (line < 2 || line == INT_MAX) return 0;
  if (!BufferT.empty()) FlushBuffer(CodeFile);
  // The designed statements read back leave the writer as it was; should
  // they not, the text goes the designed way after them.
  if (!TakesText()) return 0;
  LastPLine = line;
  TakeText(bytes);
  return 1;
}

void PrintNL() { PrintText(CodeFile, "\n"); }

void PrintNL1() {
  PrintNL();
  PrintText(CodeFile, "fprintf(stdcom,\"\\n\");\n");
}

void ResetOutput() {
  if (outfileM != nullptr) fclose(outfileM);
  if (outfileT != nullptr) fclose(outfileT);
  outfileM = outfileT = nullptr;
  BufferT.clear();
  BufferM.clear();
  LastPLine = -2;
  ResetCodeForm();
  FailedFile = -1;
  FailedErrno = 0;
}
