// The two generated files and the writes that reach them, with the first
// write that failed kept for the report.
#pragma once
#include <cstdio>
#include <string_view>

extern FILE *outfileT;  // the code file; null before openFiles
extern FILE *outfileM;  // the macro file; null before openFiles

// Which file is which, for WriteFailure.
enum FileType { CodeFile = 0, MacroFile = 1, BothFiles = 2 };

// Writes bytes to one of the generated files as they are, noting a failed write.
void WriteBytes(FILE *file, std::string_view bytes);
// Notes that a write to file failed, with errno; only the first failure counts.
void NoteFailure(FILE *file);
// Which file failed to be written (CodeFile or MacroFile), or -1; with the errno of that failure.
int WriteFailure(int *err);
// Closes the files still open and forgets any failure.
void ResetSink();
