// The command line: options, the input name, and the names of the files a run writes.
#pragma once
#include <cstdio>
#include <string>

// What the command line names; an empty name is one no option set.
struct RunNames {
  std::string input;  // the source file as named
  std::string code;   // the code file (the generator program)
  std::string macro;  // the macro file
  std::string exe;    // the compiled generator program
  std::string final;  // the final source the generator writes
  FILE *stream = nullptr; // the input opened for reading; null when it could not be
  bool named = false; // an input name was given
  std::string depfile; // --depfile=FILE: where to write the make rule; empty for none
  int openError = 0;   // why the input could not be opened (an errno value); 0 when it was
  bool fromStdin = false; // the input is standard input ("-")
  bool fatal = false;  // an option's value was refused: the run ends before it writes anything
  std::string output;  // --output=FILE: the final source's exact name, "-" for standard output
  int form = -1;       // --compact 1, --no-compact 0, neither -1 (the default of the mode)
  bool saveTemps = false;  // --save-temps: the intermediate files are kept
  std::string tempsDir;    // --save-temps=DIR: kept in DIR; empty: beside the template
  bool check = false;      // --check: compare with the output instead of writing it
  std::string compiler;    // --compiler=PROGRAM, as given; empty for the built-in one
  std::string cache;       // --cache=DIR; empty for no cache
  std::string scratch;     // the private folder of an --output run; empty until made
};

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
// How the code file names the macro file in its #include: the compiler looks for it
// beside the code file, so a shared directory part is left out.
std::string MacroIncludeName(const std::string &code, const std::string &macro);
// Derives the names no option set from the input name.
void DeriveNames(RunNames &names);
