// The form in which the generator program reaches the code file.
//
// The translation always produces the designed program text: one print
// statement per line piece and special character. Every byte of it bound for
// the code file passes through WriteCode, tagged with what it is. In the
// designed form (the default) WriteCode writes it as it comes. In the compact
// form (--compact) it reads the print statements back into the bytes they
// print and writes each run of them as a few fwrite statements of long string
// literals, which the host compiler handles far faster; everything else
// reaches the file as written.
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

extern int CompactForm; // 1: write the compact form (--compact)
// Short enough for compilers with small limits on one literal piece; the
// limit on a whole statement keeps the concatenated literal under 64 KiB.
constexpr size_t PieceLimit = 2000;  // longest string literal piece of the compact form, in characters
constexpr size_t WriteLimit = 64000; // most bytes one fwrite statement of the compact form prints

// Takes every byte bound for the code file, in the order the file receives it.
void WriteCode(std::string_view bytes, WriteKind kind);
// Gives the compiler the template line of the embedded expression (ValueCode) or inserted code
// (MacroCode) about to be written: in the designed form a "#line" line after the pending code
// text, so that the compiler's messages about it name its own line. The compact form marks
// these lines as it writes them.
void MarkCodeLine(WriteKind kind);
// Writes out what the compact form still holds; called before the code file closes.
void FinishCode();
// Puts the writer back to its start state, the designed form.
void ResetCodeForm();
