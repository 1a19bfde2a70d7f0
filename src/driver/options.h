// The command line: options, the input name, and the names of the files a run writes.
#pragma once
#include <string>

#include "driver/names.h"

extern const char *const UsageText; // printed when there are no arguments

// The options taken before the banner, from the options before the input name.
struct EarlyOptions {
  std::string info;      // "--help" or "--version", whichever comes first; empty for neither
  bool quiet = false;    // -q or --quiet
  bool toStdout = false; // --output=-
};

// The options that act before anything else is done; examines nothing else and prints nothing.
EarlyOptions ExamineEarly(int argc, char **argv);
// The text --help prints, made from the table of options.
std::string HelpText();
// Examines the arguments after the program name, left to right; opens each input named.
// Arguments after the input name are not examined, but reported in a warning.
void ExamineArgs(int argc, char **argv, RunNames &names);
// Records the macro-parameter window for an "-M" at index i of the argument list (program name not counted).
void HandleMacroArgs(int i, int argc, char **argv);
