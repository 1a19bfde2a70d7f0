// Output streams: the code file (the generator program) and the macro file,
// each with a pending-text buffer, and the one formatted write that keeps the
// line bookkeeping of print statements.
#pragma once
#include <cstdio>
#include <string>
#include <string_view>

#include "generator/codeform.h"

// Selects an output stream.
enum FileType { CodeFile = 0, MacroFile = 1, BothFiles = 2 };

extern FILE *outfileT;         // the code file; null before openFiles
extern FILE *outfileM;         // the macro file; null before openFiles
extern std::string BufferT;    // pending code text (may hold NUL bytes)
extern std::string BufferM;    // pending macro text (may hold NUL bytes)
extern int LastPLine;          // input line of the last print statement written to the code file; -2 at start
extern const char *const strt; // "fprintf(stdcom": how a print statement begins
extern const int strtL;        // length of strt (14)
extern const char *const ENDBUF; // ");\n": the statement end the finishing flush appends
extern const int ENDBUFL;      // length of ENDBUF (3)
extern const char *const TextHead; // "fprintf(stdcom,\"%s\",\"": the head of a text statement
extern const size_t FlushThreshold; // a buffer never grows past this by an append unless one piece is longer

// Creates both files (macro file first); 1 on success, 0 after reporting the failure with perror.
int openFiles(const char *codeName, const char *macroName);
// Finishing flush of both streams, then closes them; 1 when every write succeeded, else 0 with errno set.
int CloseFiles();
// Appends text to a stream's buffer (CodeFile: code stream; anything else: macro stream).
void PrintText(int type, std::string_view text);
// Appends one character to a stream's buffer.
void PrintChar(int type, char c);
// Finishing flush: completes an open print statement of the code stream before writing it.
void FlushBuffer(int type);
// Plain flush: writes the pending text unchanged.
void FlushBuffer1(int type);
// Line-bookkeeping probe on the pending code text; may call PnumH, never writes the buffer.
void FlushBufferPr(int type);
// The single formatted write: the first "%s" of format takes text (written by length);
// kind says what the text is when it goes to the code file.
int Printf(FILE *file, const char *format, std::string_view text, WriteKind kind = Statements);
// Writes bytes directly, past the buffers and the bookkeeping (line directives use it).
void WriteRaw(FILE *file, std::string_view bytes, WriteKind kind = Statements);
// Writes bytes to a file as they are, noting a failed write.
void WriteBytes(FILE *file, std::string_view bytes);
// Direct write after a finishing flush.
void PrintExact(int type, const char *format, std::string_view text, WriteKind kind = Statements);
// Direct write to the code file after a plain flush.
void PrintStr(int type, const char *format, std::string_view text, WriteKind kind = Statements);
// Writes one whole line and a newline directly, after a plain flush.
void PrintLine(int type, std::string_view line);
// The compact form's short way for text: prints bytes as they are, with no print statement
// written and read back, after the pending code text. 0, with nothing done, where the print
// statements of the designed way could mean more than their bytes (see TakesText) or where
// their line bookkeeping could write a directive (lines 0 and 1); the caller then takes the
// designed way.
int PrintDirect(std::string_view bytes);
// Appends a newline to the code buffer.
void PrintNL();
// Appends a newline and a statement that prints one newline to the code buffer.
void PrintNL1();
// Which file failed to be written (CodeFile or MacroFile), or -1; with the errno of that failure.
int WriteFailure(int *err);
// Puts the output streams back to their start state (closes files still open).
void ResetOutput();
