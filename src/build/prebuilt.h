// The prebuilt part of the compact program's support library: an object file
// (and, for gcc, a precompiled header of the system headers and declarations)
// made once per compiler and its options, so that a cold run compiles only
// what its template wrote.
#pragma once
#include <string>
#include <vector>

extern std::string SupportObject; // the prebuilt object the compile links after the code file; empty: none
extern std::string SupportHeader; // the prebuilt part's header (-include), which the headers list leaves out
extern int PrebuiltAllowed;       // 0 when the program must carry the whole library (--debug, --sanitize)

// Finds the prebuilt part that fits the current compile settings (beside Vorn's executable, or
// made on first use in the cache folder's "support" folder) and sets SupportObject and, where
// the compiler takes one, SupportHeader; adds to extras the words the compile then takes.
// False when the program must carry the whole library itself.
bool UsePrebuiltSupport(std::vector<std::string> &extras);
// Makes the prebuilt part for the current settings in dir (--make-support=DIR); the exit status.
int MakeSupport(const std::string &dir);
// Forgets the part chosen by the last run.
void ResetPrebuiltSupport();
