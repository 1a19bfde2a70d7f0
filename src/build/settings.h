// Compiler settings: which programs build the generator program, with which
// command-line formats and file extensions.
#pragma once
#include <string>

// The target compiler: GCC and MSC have sections of their own in the
// configuration file; any other value names a section by a string.
enum COMPILER { GCC = 0, MSC = 1, NAMED = 2 };

// Extension bits of a step's flag value.
constexpr int SRC = 0x40; // name1 gets ext_src
constexpr int OBJ = 0x20; // a name gets ext_obj
constexpr int EXE = 0x10; // name2 gets ext_exe

extern int comp;                // the target compiler (a COMPILER value)
extern const char *ext2;        // suffix of the code file name after the base name
extern const char *ext_src;     // extension (no dot) of a step's source file; null: none
extern const char *ext_obj;     // extension of an object file; null: none
extern const char *ext_exe;     // extension of an executable; null: none
extern const char *compiler1;   // path of the compiler program
extern const char *compiler2;   // command-line format of the compile step, one "%s" per name
extern int compiler_flag;       // extension bits of the compile step
extern int compiler_parms;      // number from the configuration file; stored only
extern const char *linker1;     // path of the linker program
extern const char *linker2;     // command-line format of the link step
extern int linker_flag;         // extension bits of the link step; 0: no link step
extern int linker_parms;        // number from the configuration file; stored only

// A copy of text that lives until the settings are reset (settings read from a file).
const char *KeepSetting(const std::string &text);
// Installs the built-in GCC settings.
void InstallGccSettings();
// Compiles with program (a path, or a name looked up on PATH) in place of the built-in
// compiler: its path and the first word of the command line; 0 when it is not found.
int UseCompiler(const std::string &program);
// Puts every setting back to its initial value (null and 0).
void ResetSettings();
