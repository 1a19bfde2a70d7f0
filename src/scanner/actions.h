// Scanner rule actions that do more than one call, so that every rule of the
// rule file stays a single call.
#pragma once

// A "//" comment with its newline: statement, line count, gate, newline statement.
void CommentLine();
// A "##" line: macro line, line count, flush of both streams.
void MacroLineAction();
// A newline of text: translated, then counted.
void NewlineAction();
// A backslash-newline of text (LF or CR LF): translated like its characters, counted, and the
// line after it marked as continuing this one.
void SplicedNewline();
// The newline added at the end of an include file that lacks one: a line end like any other, so
// a backslash before it continues the line, and none ends it.
void IncludeEndNewline();
// A block comment: translated, then its inner line breaks counted.
void BlockComment();
// A string (form 0), character (form 1) or raw string (form 2) literal: translated, then its
// inner line breaks counted.
void Literal(int form);
// A conditional line's opening ("#if", "  # else"...): translated as text, then followed.
void ConditionalLine();
// A #line (or "# N") line of the template's own: translated as text; its numbering holds
// from the next line on.
void TemplateLineDirective();
// \##: the two characters "##" as text, starting no embedded expression.
void EscapedHashes();
// The opener of a raw string with a delimiter: the whole literal as one piece, its line
// breaks counted; unterminated, the designed pieces instead.
void DelimitedRawString();
// The scanner cannot go on (the template cannot be read): says msg and ends
// the run with status 2, its temporary files removed.
[[noreturn]] void ScannerFatal(const char *msg);
