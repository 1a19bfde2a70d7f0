// The names of the files a run reads and writes: the rules that derive them
// from the template's name, in one place, and the folder and file parts of a path.
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
  std::string makeSupport; // --make-support=DIR; empty when not asked
  bool debug = false;      // --debug: a generator program for gdb, kept with its files
  bool sanitize = false;   // --sanitize: the generator program built and run under the sanitizers
  std::string scratch;     // the private folder of an --output run; empty until made
};

// The folder part of path: "." when it has none.
std::string FolderOf(const std::string &path);
// path without its folder part.
std::string BaseName(const std::string &path);
// The template "-c" names: the value, or the value + ".C" unless the option's
// next-to-last character is a '.' (-cfoo: foo.C, -cfoo.c: foo.c, -cfoo.cpp: foo.cpp.C).
std::string InputOption(const std::string &arg);
// The template's name less a final ".C" (exactly these two characters), with its
// folder when withFolder; "stdin" for standard input.
std::string TemplateBase(const RunNames &names, bool withFolder);
// Derives the names no option set from the input name, beside it.
void DeriveNames(RunNames &names);
// Names the intermediate files that no option named: the designed names in folder.
void NameTemps(RunNames &names, const std::string &folder);
// Names the intermediate files that --save-temps places and no option named:
// in its folder, or (without a folder, in an --output run) beside the template.
void PlaceTemps(RunNames &names);
// How the code file names the macro file in its #include: the compiler looks for it
// beside the code file, so a shared folder part is left out.
std::string MacroIncludeName(const std::string &code, const std::string &macro);
// The text segments of the code file named code: its name with ".dat" for its extension.
std::string SegmentsNameFor(const std::string &code);
