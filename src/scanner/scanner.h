// The scanner's interface: cuts the current input into the pieces of the
// macro language and runs one translation action for each.
#pragma once
#include <cstdio>
#include <string_view>

struct yy_buffer_state;

extern char *yytext; // text of the current piece, NUL-terminated while its action runs
extern int yyleng;   // length of the current piece in bytes
extern FILE *yyin;   // stream of the current input file

// Scans the current input file to its end, running each piece's action; returns 0.
int yylex();
// Makes a new scanner buffer on a stream, at line start.
yy_buffer_state *yy_create_buffer(FILE *stream, int size);
// Makes b the current buffer; yyin becomes its stream.
void yy_switch_to_buffer(yy_buffer_state *b);
// Releases a buffer.
void yy_delete_buffer(yy_buffer_state *b);
// The current piece as text of its length (it may hold NUL bytes).
inline std::string_view ScannedPiece() { return std::string_view(yytext, static_cast<size_t>(yyleng)); }
// The current buffer, or null when none is current.
yy_buffer_state *CurrentScanBuffer();
// Makes a buffer over a copy of len bytes and makes it current.
yy_buffer_state *yy_scan_bytes(const char *bytes, int len);
// The bytes of the current line before the current piece; known is false when the scanner's
// buffer no longer holds the line's start.
std::string_view LineBeforePiece(bool &known);
// The next byte of the current input past the current piece, or -1 at its end.
int NextInputByte();
// Extends the current piece, a character of ordinary text, over the ordinary text that follows
// it in the scanner's buffer; with acrossLines, over line
// breaks and the lines after them too, up to a line that a line-start piece may begin.
void ExtendTextRun(int acrossLines);
// After a line break: makes the blanks that begin the next line the current piece, when no
// conditional line can begin there, and returns 1; else 0 and nothing changes.
int StartIndentRun();
// Releases the scanner's buffers and state, so that the next yylex starts afresh on yyin.
int yylex_destroy();

// The size of every scanner buffer.
constexpr int ScanBufSize = 1 << 16;
