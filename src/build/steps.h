// Build and run steps: compile (and link) the generator program, then run it.
#pragma once

// Pass results besides a child's own exit status (1 to 255).
constexpr int PassForkFailed = -1; // the child could not be created
constexpr int PassWaitFailed = -2; // the wait did not return the child
constexpr int PassNoExtensions = -3; // the step's flags choose no file extension: it was not started
constexpr int PassSignalBase = 256; // 256 + N: the child was ended by signal N

#include <string>
#include <vector>

extern std::vector<std::string> CompileExtras; // words the compile step takes after the program's name
constexpr unsigned long long DefaultMaxOutput = 1ull << 30; // the bound of the final source without --max-output
extern unsigned long long MaxOutput; // --max-output: bytes the generator program may write to a file; 0 for no bound
extern std::string FinalShown;       // the final source as the reports name it (an --output name); empty: its own name
extern std::string CodeShown;        // the code file as the reports name it (in a private folder); empty: its own name
extern int FinalUnwritable;          // 1 when the last generator run failed for a write of the final source
extern int FinalIsScratch; // 1 when the final source is a temporary file of Vorn's: removed without a word

// 1 when the compile step's program takes gcc's options (gcc, g++, cc, c++, clang, clang++,
// also behind ccache or distcc): only then do CompileExtras and the cache apply.
int CompilerTakesGccOptions();
// Where the compiler's own name stands among a compile line's words: first, or second behind
// a wrapper such as ccache.
size_t CompilerWordIndex(const std::vector<std::string> &words);
// The base name of the compiler the compile line names ("gcc", "clang++-14").
std::string CompilerName();
// The program to run for the code file and macro file: taken from the cache (--cache) when
// it holds one, else compiled into exeName (and stored); 0 on success, else the build result.
// headers, unless null, gets the files the compile read besides those two (a compiler of
// gcc's family only).
int BuildProgram(const std::string &code, const std::string &macro, const std::string &exeName,
                 std::string &program, std::vector<std::string> *headers);
// Compiles (and links) the code file into the executable; the build result (0: success).
int call_cc(const char *codeName, const char *exeName);
// The compile step, then the link step when one is configured and the compile succeeded.
int exec_compiler(const char *codeName, const char *exeName);
// Runs the generator program with the final source's name; its pass result (0: success).
int call_pgm(const char *exeName, const char *finalName);
// bytes in words: "1 GiB", "64 KiB", "1000 bytes".
std::string SizeText(unsigned long long bytes);
// The path by which the generator program is started: its name, or "./" + name when it has no '/'.
const char *GeneratorPath(const char *exeName);
