// Fixed beginning and end of the generated program.
#pragma once
#include <string>
#include <vector>

// Which lines of the support library SupportPart gives.
enum SupportLinesOf { AllSupport, SharedSupport, SupportDefinitions };

// The support library's lines as the macro file has them: all, only the types, templates
// and macros every program needs in its text, or only the definitions of functions and
// variables (which the compact form may link from a prebuilt object).
std::vector<std::string> SupportPart(SupportLinesOf kind);

// Writes the support library to the macro file and the opening of main to the code file.
void PrintHeaders(const char *finalName, const char *macroName);
// Closes an open text statement, flushes, ends main and closes both files; returns CloseFiles' result.
int PrintEpilogue();
