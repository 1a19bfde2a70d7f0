// Macro constructs: blocks, macro lines, embedded expressions, parameters.
#pragma once

extern char **saveArgv;     // the process argument vector as received
extern int FirstArg;        // index in saveArgv of the "-M" word
extern int ArgumentsNumber; // words from "-M" to the end, "-M" included; 0 without "-M"

// Opens a macro block ("##MSTART" line in yytext).
void StartMacro();
// Closes a macro block ("##MEND" line in yytext).
void EndMacro();
// Handles a "##" line in yytext: an include, or C code copied into main.
void MacroLine();
// Handles "##expr##" (form 0) or "##.code##" (form 1) in yytext.
void MacroString(int form);
// Handles "$1".."$9" in yytext.
void MacroParm();
// Writes a message and a newline to standard output.
void PrintError(const char *message);
// Puts the macro parameter window back to its start state.
void ResetMacro();
