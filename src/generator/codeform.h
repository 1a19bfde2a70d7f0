// The form in which the generator program reaches the code file.
//
// The translation always produces the designed program text: one print
// statement per line piece and special character. Every byte of it bound for
// the code file passes through WriteCode, tagged with what it is. In the
// designed form (the default) WriteCode writes it as it comes. In the compact
// form (--compact) it reads the print statements back into the bytes they
// print and writes each run of them to a file of text segments, which the
// program reads when it runs and prints by segment number: the compiler
// never parses the template's text, and the program's text depends only on
// its macro code. Everything else reaches the file as written. Where nothing
// could make the statements mean more than the bytes they print, the
// translation hands those bytes over as they are (TakeText), and writes no
// statement to read back: the way most text goes.
#pragma once
#include <cstddef>
#include <string_view>

// What a write to the code file carries.
enum WriteKind {
  Statements, // print statements of the translation, and the line breaks between them
  Verbatim,   // text the compiler must see as written: prologue, epilogue, "#line" lines, macro lines
  MacroCode,  // inserted code of the current template line
  ValueCode,  // the print statement of an embedded expression of the current template line
};

#include <string>

extern int CompactForm;               // 1: write the compact form (--compact)
extern std::string TextSegmentsName;  // the compact form's file of text segments; empty until opened
extern const char SegmentMark[9];     // the last 8 bytes of a file of text segments

// Takes every byte bound for the code file, in the order the file receives it.
void WriteCode(std::string_view bytes, WriteKind kind);
// Gives the compiler the template line of the embedded expression (ValueCode) or inserted code
// (MacroCode) about to be written: in the designed form a "#line" line after the pending code
// text, so that the compiler's messages about it name its own line. The compact form marks
// these lines as it writes them.
void MarkCodeLine(WriteKind kind);
// 1 when the compact form can take text to print as bytes (TakeText) in place of print
// statements: nothing is pending, the code written last leaves the text outside any
// comment, literal or continued line, and the statement that follows macro code is written.
int TakesText();
// Adds bytes to what the next text segment prints; only when TakesText() says so.
void TakeText(std::string_view bytes);
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
