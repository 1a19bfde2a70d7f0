// The writers of the code file: the designed form and the compact form.
//
// The statement maker hands a writer the code text of the generator program,
// tagged with what it is, and, for every print statement, the bytes it
// prints. The designed form (the default) writes the code text as it comes.
// The compact form (--compact) writes macro code and everything the compiler
// must read as it is, and prints the statements' bytes from a file of text
// segments, read by the program when it runs, by segment number: the
// compiler never parses the template's text, and the program's text depends
// only on its macro code.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// What a write to the code file carries.
enum WriteKind {
  Statements, // print statements of the translation, and the line breaks between them
  Verbatim,   // text the compiler must see as written: prologue, epilogue, "#line" lines, macro lines
  MacroCode,  // inserted code of the current template line
  ValueCode,  // the print statement of an embedded expression of the current template line
};

extern int CompactForm;               // 1: write the compact form (--compact)
extern std::string TextSegmentsName;  // the compact form's file of text segments; empty until opened
extern const char SegmentMark[9];     // the last 8 bytes of a file of text segments

// Takes every piece of code text bound for the code file, in the order of the designed form.
void WriteCode(std::string_view code, WriteKind kind);
// 1 while the writer takes the code text of print statements: always in the designed form; in
// the compact form only while the last macro code left the compiler inside a comment, a literal
// or a continued line. It changes only when macro code is written.
int TakesStatementCode();
// 1 when the writer takes what print statements print (TakePrints): the compact form.
int TakesPrints();
// Takes what print statements print, once their code text has been taken: bytes holds one
// statement's bytes after another, the first statement's ending at firstEnd.
void TakePrints(std::string_view bytes, size_t firstEnd);
// The template line of the inserted code (MacroCode) or embedded expression (ValueCode) about
// to be written: the designed form writes a "#line" line for the compiler's messages, where
// the code before leaves one room; the compact form marks its own lines as it writes them.
void MarkLine(WriteKind kind, int line, const char *name);
// Writes the code of a macro line (Verbatim, after its "#line" line) or inserted code (MacroCode).
// The compact form puts it at its template column (column: the blanks before it, "" when
// unknown), on a line of its own after a "#line" line for inserted code.
void WriteMacroCode(std::string_view code, const std::string &column, WriteKind kind);
// Writes the statement of an embedded expression of the current template line. The designed
// form writes fprintf(stdcom,_printType(_ftype1(E)),E); the compact form evaluates E once,
// with E on a line of its own at its template line and column (column: the blanks before it,
// "" when unknown), so that the compiler's messages point at it in the template.
void WriteExpression(std::string_view expression, const std::string &column);
// Writes out what the compact form still holds, and closes the text segments;
// called before the code file closes.
void FinishCode();
// Creates the compact form's file of text segments; 0 when it cannot be created.
int OpenSegments(const char *name);
// 0 when a write to the text segments failed, with errno set to why; else 1.
int SegmentsWritten();
// Writes the compact program's opening of main, which reads the text segments.
void WriteCompactMain();
// Puts the writer back to its start state, the designed form.
void ResetCodeForm();
