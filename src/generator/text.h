// Text translation: ordinary text, literals and comments become print statements.
#pragma once
#include <string>
#include <string_view>

// Opens a text statement in the code buffer unless one is open.
void OpenText();
// Closes the open text statement.
void CloseText();
// Translates the single character yytext[0].
void TextChar();
// Translates a newline of text and counts its line; outside a macro block the next line
// starts afresh (no backslash continues it).
void TextNewline();
// Translates the run of ordinary characters in yytext: characters that begin no other piece
// (the compact form's scanner cuts them whole).
void TextRun();
// Translates one character of text (TextChar's work, for callers with their own character).
void TranslateChar(char c);
// Translates a character literal (form 1), a string literal or -M word (form 0), or a
// C++ raw string literal (form 2).
void TextString(int form, std::string_view text);
// Writes the statement that prints one special character.
void print_spch(char c);
// Translates a block comment in yytext as one statement.
void PrintString();
// Translates a "//" comment line in yytext, after a possible line directive.
void PrintStringNL();
// Translates an "AN" run: a statement of its own in text, a copy inside a macro block.
void PrintAN();
// Asks for a final-source directive before a piece that begins the text of a line.
void AskLineDirective();
// Notes a #line line of the template's own (name empty when it gives none): it numbers the
// lines from the next one on.
void FollowTemplateDirective(int line, const std::string &name);
// A line of text has ended (its newline translated and counted).
void TextLineEnded();
