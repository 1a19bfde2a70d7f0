// The cache of compiled generator programs (--cache=DIR).
//
// An entry is found by a key made of everything the compile reads besides the
// headers: the code file and the macro file as they will be compiled, the
// compile and link command lines and settings, and the compiler's and
// linker's identity (path, size, modification time). Its manifest lists the
// headers that compile read, with the hash of each, and the hash of the
// program: an entry is used only when every header still holds what it held,
// and its program is checked whole before it runs.
#pragma once
#include <string>
#include <vector>

extern std::string CacheDir;                       // --cache=DIR; empty for no cache
constexpr unsigned long long CacheLimit = 256ull << 20; // bytes DIR may hold; past that the oldest entries go

// The cached program made from the code file and macro file with the current
// settings and extra compile words, checked whole; empty on a miss, and
// always for code that names the time of its compile.
std::string CachedProgram(const std::string &code, const std::string &macro,
                          const std::vector<std::string> &extras);
// After a miss: the hash of the compile's token stream that a program made from the
// same code with other "#line" numbers was stored with; "-" when that stream was not made
// yet, empty when there is no such program.
std::string LineShiftedTokens();
// Writes that program's code file and macro file, as they were, into folder (which exists),
// each listed for removal on a stop; their paths, code file first, or none when they were
// not kept.
std::vector<std::string> LineShiftedSources(const std::string &folder);
// Records tokens as the hash of that program's token stream, made from its kept sources.
void NoteLineShiftedTokens(const std::string &tokens);
// That program, checked whole, when tokens (the hash of the current code's token
// stream) is the one it was stored with; empty otherwise.
std::string LineShiftedProgram(const std::string &tokens);
// After a successful compile on a miss: stores exe under the key of the last
// lookup, with headers (what the compile read besides the code file and the
// macro file), and as the program of the same code with other "#line"
// numbers: of the token stream tokens, or, when tokens is empty, with the
// code and macro file kept to make that stream if it is asked; then trims DIR to
// CacheLimit. A program whose code or headers name the time of their compile
// is not stored.
void StoreProgram(const std::string &exe, const std::vector<std::string> &headers,
                  const std::string &tokens);
// The headers listed in the entry of the last hit.
const std::vector<std::string> &CachedHeaders();
// The compile and link settings and the identity (path, size, time) of the programs they name,
// and the compiler's own variables: what a compile's result depends on besides its input.
std::string CompileSettingsText();
// Two independent 64-bit hashes of bytes, as 32 hexadecimal digits.
std::string HashHex(const std::string &bytes);
