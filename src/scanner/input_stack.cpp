// The stack of open input files.
#include "scanner/input_stack.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "driver/diagnostics.h"
#include "scanner/scanner.h"

Files *LastFile = nullptr;
int IncludeDepth = 0;
const int MaxIncludeDepth = 200;
int AtLineStart = 1;
int AtSplice = 0;
std::vector<std::string> IncludedFiles;
std::vector<std::string> IncludeDirs;
static char LastByte = '\n';  // the last byte of the last piece; a lone CR piece needs the one before

void NoteTail(const char *text, int length) {
  char before = length > 1 ? text[length - 2] : LastByte;
  LastByte = length > 0 ? text[length - 1] : '\0';
  AtLineStart = LastByte == '\n';
  AtSplice = LastByte == '\\' || (LastByte == '\r' && before == '\\');
}

// Nothing read yet, or a file resumed behind its include line.
static void StartOfLine() {
  LastByte = '\n';
  AtLineStart = 1;
  AtSplice = 0;
}

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

// Opens a file for reading; a directory opens but cannot be read, so it
// counts as not found. err receives the reason a file did not open.
static FILE *OpenReadable(const std::string &name, int &err) {
  FILE *stream = fopen(name.c_str(), "r");
  err = errno;
  if (IsDirectory(stream)) {
    fclose(stream);
    stream = nullptr;
    err = EISDIR;
  }
  return stream;
}

// folder/path; an empty folder is the working directory.
static std::string InFolder(const std::string &folder, const std::string &path) {
  return std::filesystem::path(folder) / path;
}

// The lookup rule: the path as written, relative to the working directory;
// failing that, and unless the path is absolute, beside the
// including file, then in each IncludeDirs folder in order. name becomes
// the path that was opened, so that line directives lead to the file. When
// none opens, err is why the path as written did not.
static FILE *FindInclude(const std::string &path, std::string &name, int &err) {
  std::vector<std::string> tries{path};
  if (!path.empty() && path[0] != '/') {
    const std::string &includer = LastFile->fname;
    std::string beside = includer.substr(0, includer.rfind('/') + 1);
    if (!beside.empty()) tries.push_back(beside + path);
    for (const std::string &folder : IncludeDirs) tries.push_back(InFolder(folder, path));
  }
  int first = 0;
  for (const std::string &candidate : tries) {
    if (FILE *stream = OpenReadable(candidate, err)) {
      name = candidate;
      return stream;
    }
    if (&candidate == &tries.front()) first = err;
  }
  err = first;
  return nullptr;
}

// It is read with pread, which leaves the stream where it is; a pipe, which
// pread cannot read, counts as LF.
bool EndsInCRLF(FILE *stream) {
  if (stream == nullptr) return false;
  char chunk[4096];
  char last = 0;
  for (off_t at = 0; at < (1 << 20);) {
    ssize_t got = pread(fileno(stream), chunk, sizeof chunk, at);
    if (got <= 0) return false;
    const char *newline = static_cast<const char *>(memchr(chunk, '\n', static_cast<size_t>(got)));
    if (newline != nullptr) return newline > chunk ? newline[-1] == '\r' : last == '\r';
    last = chunk[got - 1];
    at += got;
  }
  return false;
}

bool BeginsWithBom(FILE *stream) {
  unsigned char head[3];
  return stream != nullptr && pread(fileno(stream), head, 3, 0) == 3 && head[0] == 0xEF &&
         head[1] == 0xBB && head[2] == 0xBF;
}

void IncludeFile(const char *path) {
  if (TooDeep(path)) return;
  std::string name;
  int err = 0;
  FILE *stream = FindInclude(path, name, err);
  if (stream == nullptr) {
    printf("Cannot open include file %s\n", path);
    TemplateErrorHere(std::string("cannot open include file \"") + path + "\": " + strerror(err));
    return;
  }
  IncludedFiles.push_back(name);
  Files *entry = new Files;
  entry->file = stream;
  entry->fname = name;
  entry->line = 0;
  entry->crlf = EndsInCRLF(stream);
  entry->bom = BeginsWithBom(stream);
  entry->next = LastFile;
  // The including file keeps its buffer, positioned just behind the include line.
  LastFile->savedBuf = CurrentScanBuffer();
  LastFile = entry;
  IncludeDepth++;
  StartOfLine();
  yyin = stream;
  yy_switch_to_buffer(yy_create_buffer(stream, ScanBufSize));
}

void swBuf(Files *f) {
  yy_delete_buffer(CurrentScanBuffer());
  yy_switch_to_buffer(f->savedBuf);
  f->savedBuf = nullptr;
  StartOfLine();
}

Files *PushBottom(FILE *stream) {
  Files *entry = new Files;
  entry->file = stream;
  LastFile = entry;
  IncludeDepth = 0;
  StartOfLine();
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
  IncludeDirs.clear();
  IncludeDepth = 0;
  StartOfLine();
}
