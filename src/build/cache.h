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
// same code with other "#line" numbers was stored with; empty when there is none.
std::string LineShiftedTokens();
// That program, checked whole, when tokens (the hash of the current code's token
// stream) is the one it was stored with; empty otherwise.
std::string LineShiftedProgram(const std::string &tokens);
// After a successful compile on a miss: stores exe under the key of the last
// lookup, with headers (what the compile read besides the code file and the
// macro file), and, when tokens is not empty, as the program of that token
// stream for the same code with other "#line" numbers; then trims DIR to
// CacheLimit. A program whose code or headers name the time of their compile
// is not stored.
void StoreProgram(const std::string &exe, const std::vector<std::string> &headers,
                  const std::string &tokens);
// The headers listed in the entry of the last hit.
const std::vector<std::string> &CachedHeaders();
// Two independent 64-bit hashes of bytes, as 32 hexadecimal digits.
std::string HashHex(const std::string &bytes);
