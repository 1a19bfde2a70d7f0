// Fixed beginning and end of the generated program.
#pragma once

// Writes the support library to the macro file and the opening of main to the code file.
void PrintHeaders(const char *finalName, const char *macroName);
// Closes an open text statement, flushes, ends main and closes both files; returns CloseFiles' result.
int PrintEpilogue();
