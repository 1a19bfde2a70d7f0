// The command line: options, the input name, and the names of the files a run writes.
#pragma once
#include <string>

#include "driver/names.h"

extern const char *const UsageText; // printed when there are no arguments
extern const char *const HelpText;  // printed by --help

// "--help" or "--version" among the options before the input name prints the usage text or
// the version line and returns 1; otherwise returns 0 and prints nothing.
int InfoOption(int argc, char **argv);
// 1 when -q or --quiet stands among the options before the input name.
int QuietOption(int argc, char **argv);
// 1 when --output=- stands among the options before the input name.
int StdoutOption(int argc, char **argv);
// Examines the arguments after the program name, left to right; opens each input named.
// Arguments after the input name are not examined, but reported in a warning.
void ExamineArgs(int argc, char **argv, RunNames &names);
// Records the macro-parameter window for an "-M" at index i of the argument list (program name not counted).
void HandleMacroArgs(int i, int argc, char **argv);
