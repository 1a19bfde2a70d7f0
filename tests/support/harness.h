// Test support: temporary directories, in-process translation, and runs of
// the vorn program and of the host compiler.
#pragma once
#include <string>
#include <vector>

// Lines of the prologue in each generated file.
constexpr int CodePrologueLines = 6;
constexpr int MacroPrologueLines = 129;

// A fresh directory that is the working directory while the object lives.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  std::string path;
 private:
  std::string saved_;
};

std::string ReadFile(const std::string &path);
void WriteFile(const std::string &path, const std::string &content);
// text without its first n lines.
std::string DropLines(const std::string &text, int n);
// The macro file after the support library: the designed lines, or the compact form's
// (the whole text when it does not begin with them).
std::string MacroAfterSupport(const std::string &macro, bool compact);

// What an in-process translation wrote.
struct Generated {
  int ok = 0;           // TranslateInput's result
  std::string code;     // code file after its prologue
  std::string macro;    // macro file after its prologue
  std::string codeAll;  // the whole code file
  std::string macroAll; // the whole macro file
  std::vector<std::string> segments; // the compact form's text segments, in order
};

// Translates source (written to name in the working directory) in-process, as
// "vorn name -M words...", after putting every subsystem back to its start state; with
// compact, in the compact form, whose code is what follows the opening of main; with dirs,
// as with -I for each.
Generated Translate(const std::string &source, const std::vector<std::string> &words = {},
                    const std::string &name = "s.C", bool compact = false,
                    const std::vector<std::string> &dirs = {});

// Compiles name_C.C with the host gcc and runs it; the final source name_new.C
// it wrote, or "<gcc failed>" / "<run failed>".
std::string BuildFinal(const std::string &base = "s");

// What "gcc -E -x language" makes of dir/name: one line "N text" for each output line that
// holds tokens, N being its line number by the line markers and the newlines after them, text
// the line less its indentation; the markers' file names are left out, so that a file and its
// final source compare equal; with named, N is "file:N", the file as the markers name it.
// Quoted includes are looked up in quoteDir first; the last line gives gcc's exit status. Uses
// no working directory, so threads may call it.
std::string Preprocessed(const std::string &dir, const std::string &name,
                         const std::string &language, const std::string &quoteDir = "",
                         bool named = false);

// The final source the last run's generator program writes (base_new.C): the file, or,
// where the failed run removed it, what its generator program base_C.exe writes again;
// "<no file base_new.C>" when there is neither.
std::string WrittenFinal(const std::string &base = "s");

// One run of build/vorn in the working directory.
struct RunResult {
  int status = -1;    // exit status, or -1 when it did not exit normally
  std::string out;    // standard output
  std::string err;    // standard error
};
// The file size limit of every run of vorn in the tests: twice vorn's own
// default bound, so that no test fills the disk should that bound fail.
constexpr unsigned long long TestFileLimit = 2ull << 30;
// input, when not empty, is its standard input (through the file run.in); output is
// where its standard output goes (result.out holds it when that is the file run.out).
RunResult RunVorn(const std::vector<std::string> &args, const std::string &input = "",
                  const std::string &output = "run.out");
// Runs a shell command in the working directory; its exit status.
int Shell(const std::string &command);
// Standard error without the compiler's warnings and notes, which name lines
// of the code file: the two forms of the generator program differ there.
std::string WithoutCompilerNotes(const std::string &err);
