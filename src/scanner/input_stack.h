// The stack of open input files: the source file at the bottom, one entry for
// each include in progress. The top entry's line and name are what every
// line directive reports.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

struct yy_buffer_state;

struct Files {
  FILE *file = nullptr;                // the open stream of this input file
  std::string fname;                   // the path that was opened (include) or as named (bottom entry)
  int line = 0;                        // the line being scanned, counting from 1
  Files *next = nullptr;               // the including file's entry; null for the bottom entry
  yy_buffer_state *savedBuf = nullptr; // this file's scanner buffer while it includes another
  bool crlf = false;                   // its first line ends in CR LF, and so do the directives for its lines
  bool bom = false;                    // it begins with a UTF-8 byte-order mark not yet translated
  int mapFrom = 0;                     // from this line on, a #line of the file's own renumbers it; 0: none
  int mapLine = 0;                     // the number mapFrom takes
  std::string mapName;                 // the file name from mapFrom on
};

extern Files *LastFile;   // the top entry; null before the driver makes one and after the last file ended
extern int IncludeDepth;  // number of include entries above the bottom entry
extern const int MaxIncludeDepth; // deeper includes are refused with a message
extern std::vector<std::string> IncludedFiles; // every include file opened, in order
extern int AtLineStart;   // 1 when the last piece of the current file ended with a newline (or none was read)
extern int AtSplice;      // 1 when it ended in a backslash, or a backslash and a CR: a newline there continues the line
extern std::vector<std::string> IncludeDirs; // the "-I" folders, in command-line order; looked in last

// True when an opened stream is a directory: it opens but cannot be read.
bool IsDirectory(FILE *stream);
// Follows the end of each piece the scanner matched: AtLineStart and AtSplice.
void NoteTail(const char *text, int length);
// Whether the first line of a stream that has not been read yet ends in CR LF.
bool EndsInCRLF(FILE *stream);
// Whether a stream that has not been read yet begins with the UTF-8 byte-order mark.
bool BeginsWithBom(FILE *stream);
// Adds 1 to the current line; a count that would overflow becomes 0.
void Line();
// Opens an include file (as written; else beside the including file; else in IncludeDirs) and
// makes it the top of the stack; reports a path found nowhere.
void IncludeFile(const char *path);
// Releases the current scanner buffer and resumes f's saved buffer.
void swBuf(Files *f);
// Makes the bottom entry for the input stream; it becomes LastFile.
Files *PushBottom(FILE *stream);
// Pops the finished top entry (closing an include's stream); returns the entry that resumes, or null.
Files *PopFile();
// Releases every entry and the scanner's buffers (back to the start state).
void ResetInputStack();
