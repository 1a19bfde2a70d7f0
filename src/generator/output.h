// The statement maker: the generator program's print statements, assembled
// in the code buffer and written through the writer of the chosen form,
// together with the bytes each statement prints; the macro file's buffer;
// and the line bookkeeping of print statements.
#pragma once
#include <cstdio>
#include <string>
#include <string_view>

#include "generator/bytes.h"
#include "generator/codeform.h"
#include "generator/sink.h"

extern Bytes BufferT;          // code text not yet handed to the writer, the pending text last (may hold NUL bytes)
extern std::string BufferM;    // pending macro text (may hold NUL bytes)
extern int LastPLine;          // input line of the last print statement written to the code file; -2 at start
extern const char *const strt; // "fprintf(stdcom": how a print statement begins
extern const int strtL;        // length of strt (14)
extern const char *const ENDBUF; // ");\n": the statement end the finishing flush appends
extern const char *const TextHead; // "fprintf(stdcom,\"%s\",\"": the head of a text statement
extern const size_t FlushThreshold; // a buffer never grows past this by an append unless one piece is longer

// How much code text is pending: what the flushes and the threshold act on.
size_t PendingCodeSize();
// Creates both files (macro file first); 1 on success, 0 after reporting the failure with perror.
int openFiles(const char *codeName, const char *macroName);
// Finishing flush of both streams, then closes them; 1 when every write succeeded, else 0 with errno set.
int CloseFiles();
// Appends text to a stream's buffer (CodeFile: code stream; anything else: macro stream).
void PrintText(int type, std::string_view text);
// Appends one character to a stream's buffer.
void PrintChar(int type, char c);
// Appends code text to the open print statement, with the bytes it prints.
void PrintUnit(std::string_view code, std::string_view prints);
// Appends ordinary characters to the open text statement, which print as themselves: no
// double quote, backslash, line break or NUL among them.
void PrintPlain(std::string_view chars);
// Appends the head of a print statement, which PrintUnit and PrintPlain then fill.
void OpenStatement(std::string_view head);
// Appends the end of the open print statement.
void CloseStatement(std::string_view end);
// Appends a whole print statement that prints prints.
void BufferStatement(std::string_view code, std::string_view prints);
// Writes a whole print statement directly, after a finishing flush.
void PrintStatement(std::string_view code, std::string_view prints);
// Writes the end of the print statement whose head is pending, after a plain flush: format
// with the code that escape makes of bytes in its "%s"; the statement prints bytes besides
// what the head's units print.
void PrintStatementTail(const char *format, std::string_view bytes,
                        void (*escape)(std::string &code, std::string_view bytes));
// Finishing flush: completes an open print statement of the code stream before writing it.
void FlushBuffer(int type);
// Plain flush: writes the pending text unchanged.
void FlushBuffer1(int type);
// Line-bookkeeping probe on the pending code text; may write the directive of line 1,
// never writes the buffer.
void FlushBufferPr(int type);
// The single formatted write: the first "%s" of format takes text (written by length);
// kind says what the text is when it goes to the code file.
int Printf(FILE *file, const char *format, std::string_view text, WriteKind kind = Statements);
// Writes bytes directly, past the buffers and the bookkeeping.
void WriteRaw(FILE *file, std::string_view bytes, WriteKind kind = Statements);
// Direct write after a finishing flush.
void PrintExact(int type, const char *format, std::string_view text, WriteKind kind = Statements);
// Writes one whole line and a newline directly, after a plain flush.
void PrintLine(int type, std::string_view line);
// Appends a newline to the code buffer.
void PrintNL();
// Appends a newline and a statement that prints one newline to the code buffer.
void PrintNL1();
// Writes "#line N \"name\"" to a generated file.
void Pnum(FILE *file, int line, const char *name);
// The final-source directive a line of text may need (line jumped, file changed, owed); on
// a line that continues another one it is owed to the next line instead.
void PnumT(int line, const char *name);
// Variant for line 1 of a file, called by the bookkeeping probe while a print statement is
// pending: the directive is written ahead of that statement.
void PnumH(int line, const char *name);
// Gives the compiler the template line of the macro code about to be written (MacroCode) or
// of an embedded expression's statement (ValueCode), after the pending code text.
void MarkCodeLine(WriteKind kind);
// Writes the code of a macro line (Verbatim) or inserted code (MacroCode) directly, after a plain
// flush; it stands at the template column that the blanks column bring a line to ("" unknown).
void MacroCodeAt(std::string_view code, const std::string &column, WriteKind kind);
// Writes the statement of an embedded expression: prints the value of expression, which stands
// at the template column that the blanks column bring a line to ("" when unknown).
void ExpressionStatement(std::string_view expression, const std::string &column);
// Puts the output streams back to their start state (closes files still open).
void ResetOutput();
