// The stack of open input files.
#include "scanner/input_stack.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "driver/diagnostics.h"
#include "scanner/scanner.h"

Files *LastFile = nullptr;
int IncludeDepth = 0;
const int MaxIncludeDepth = 200;
int AtLineStart = 1;
std::vector<std::string> IncludedFiles;

void Line() {
  // The count wraps to 0 rather than turning negative.
  LastFile->line = LastFile->line == INT_MAX ? 0 : LastFile->line + 1;
}

static bool TooDeep(const char *path) {
  if (IncludeDepth < MaxIncludeDepth) return false;
  printf("Include nesting deeper than %d at line %d of %s: include file %s not opened\n",
         MaxIncludeDepth, LastFile->line, LastFile->fname.c_str(), path);
  TemplateErrorHere("include nesting deeper than " + std::to_string(MaxIncludeDepth) + ": \"" +
                    path + "\" not opened");
  return true;
}

bool IsDirectory(FILE *stream) {
  struct stat st;
  return stream != nullptr && fstat(fileno(stream), &st) == 0 && S_ISDIR(st.st_mode);
}

void IncludeFile(const char *path) {
  if (TooDeep(path)) return;
  FILE *stream = fopen(path, "r");
  int err = errno;
  if (IsDirectory(stream)) {
    fclose(stream);
    stream = nullptr;
    err = EISDIR;
  }
  if (stream == nullptr) {
    printf("Cannot open include file %s\n", path);
    TemplateErrorHere(std::string("cannot open include file \"") + path + "\": " + strerror(err));
    return;
  }
  IncludedFiles.push_back(path);
  Files *entry = new Files;
  entry->file = stream;
  entry->fname = path;
  entry->line = 0;
  entry->next = LastFile;
  // The including file keeps its buffer, positioned just behind the include line.
  LastFile->savedBuf = CurrentScanBuffer();
  LastFile = entry;
  IncludeDepth++;
  AtLineStart = 1;
  yyin = stream;
  yy_switch_to_buffer(yy_create_buffer(stream, ScanBufSize));
}

void swBuf(Files *f) {
  yy_delete_buffer(CurrentScanBuffer());
  yy_switch_to_buffer(f->savedBuf);
  f->savedBuf = nullptr;
  AtLineStart = 1;
}

Files *PushBottom(FILE *stream) {
  Files *entry = new Files;
  entry->file = stream;
  LastFile = entry;
  IncludeDepth = 0;
  AtLineStart = 1;
  return entry;
}

Files *PopFile() {
  Files *finished = LastFile;
  Files *next = finished->next;
  // Include streams are closed here; the bottom stream belongs to the driver.
  if (next != nullptr && finished->file != nullptr) fclose(finished->file);
  delete finished;
  LastFile = next;
  if (next != nullptr) {
    IncludeDepth--;
    next->line++;  // the include line itself
    swBuf(next);
  }
  return next;
}

void ResetInputStack() {
  while (LastFile != nullptr) {
    Files *next = LastFile->next;
    if (LastFile->savedBuf != nullptr) yy_delete_buffer(LastFile->savedBuf);
    if (next != nullptr && LastFile->file != nullptr) fclose(LastFile->file);
    delete LastFile;
    LastFile = next;
  }
  yylex_destroy();
  IncludedFiles.clear();
  IncludeDepth = 0;
  AtLineStart = 1;
}
