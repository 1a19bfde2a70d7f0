// Macro constructs: blocks, macro lines, embedded expressions, parameters.
#pragma once
#include <string>
#include <vector>

extern char **saveArgv;     // the process argument vector as received
extern int FirstArg;        // index in saveArgv of the "-M" word
extern int ArgumentsNumber; // words from "-M" to the end, "-M" included; 0 without "-M"
extern std::string BlockFile; // file of the "##MSTART" line of the open (or last) macro block
extern int BlockLine;         // line of that "##MSTART"
extern std::vector<std::string> Defines; // the "#define" lines that -D asks for, in command-line order

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
// Reports a parameter reference $n that has no word.
void MissingParameter(int n);
// Reports a macro block still open at the end of the input.
void CheckBlockClosed();
// Takes the value of a -D option, "NAME" or "NAME=VALUE" (NAME may have a parameter list),
// as the #define line it stands for; reports a value that makes none.
void AddDefine(const std::string &value);
// Writes a message and a newline to standard output.
void PrintError(const char *message);
// Puts the macro parameter window back to its start state.
void ResetMacro();
