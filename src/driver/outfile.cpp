// The final source of an --output run.
#include "driver/outfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "build/cmdline.h"
#include "build/settings.h"
#include "build/wholefile.h"
#include "driver/cleanup.h"
#include "driver/diagnostics.h"
#include "driver/partial.h"
#include "generator/codeform.h"

int FinalChannel = -1;

void TakeStdout() {
  fflush(stdout);
  FinalChannel = fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
  dup2(STDERR_FILENO, STDOUT_FILENO);
}

static std::string TempRoot() {
  const char *dir = getenv("TMPDIR");
  return dir != nullptr && dir[0] != '\0' ? dir : "/tmp";
}

// A file of Vorn's own: removed, without a word, should the run be stopped.
static void Scratch(const std::string &path) { RemoveOnStop(path, StopQuiet); }

// The temporary final source beside the output, readable as the output would be.
static std::string FinalBeside(const std::string &output) {
  std::string path = CreatePartial(output);
  if (path.empty()) VornError("cannot create a temporary file beside " + output + ": " + strerror(errno));
  return path;
}

int MakeTempsFolder(const RunNames &names) {
  if (names.tempsDir.empty() || mkdir(names.tempsDir.c_str(), 0777) == 0 || errno == EEXIST) return 1;
  VornError("cannot create the folder " + names.tempsDir + ": " + strerror(errno));
  return 0;
}

static int MakeFolders(RunNames &names) {
  std::string pattern = TempRoot() + "/vorn-XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    VornError("cannot create a folder in " + TempRoot() + ": " + strerror(errno));
    return 0;
  }
  names.scratch = pattern;
  RemoveOnStop(names.scratch, StopFolder);
  return 1;
}

int PrepareOutput(RunNames &names) {
  struct stat st;
  if (names.output != "-" && stat(names.output.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    VornError("the output " + names.output + " is a folder");
    return 0;
  }
  if (!MakeFolders(names)) return 0;
  bool ownCode = names.code.empty(), ownExe = names.exe.empty();
  NameTemps(names, names.scratch);
  if (ownCode) Scratch(names.code), Scratch(names.macro), Scratch(SegmentsNameFor(names.code));
  if (ownExe) Scratch(names.exe);
  // A compiler.cfg recipe that compiles to an object leaves it beside the executable.
  if (ownExe && ext_obj != nullptr) Scratch(FixExt(names.exe, ext_obj));
  if (names.output == "-" || names.check) {
    names.final = names.scratch + "/" + TemplateBase(names, false) + "_new.C";
  } else {
    names.final = FinalBeside(names.output);
    if (names.final.empty()) return 0;
  }
  Scratch(names.final);
  return 1;
}


// Line number (from 1) of the first line where a and b differ, and that line of each.
static int FirstDifference(const std::string &a, const std::string &b, std::string &lineA,
                           std::string &lineB) {
  size_t at = 0;
  while (at < a.size() && at < b.size() && a[at] == b[at]) at++;
  size_t start = a.rfind('\n', at == 0 ? 0 : at - 1);
  start = (start == std::string::npos || at == 0) ? 0 : start + 1;
  int line = 1;
  for (size_t i = 0; i < start; i++) line += a[i] == '\n';
  auto lineAt = [start](const std::string &text) {
    if (start >= text.size()) return std::string("(end of file)");
    size_t end = text.find('\n', start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
  };
  lineA = lineAt(a);
  lineB = lineAt(b);
  return line;
}

static int Check(const RunNames &names) {
  std::string present, generated;
  if (SameFileContents(names.output, names.final)) return 0;
  if (!ReadWholeFile(names.output, present)) {
    struct stat st;
    long long size = stat(names.final.c_str(), &st) == 0 ? st.st_size : 0;
    fprintf(stderr, "vorn: check: %s is missing (%s generates %lld bytes)\n", names.output.c_str(),
            names.input.c_str(), size);
    return CheckDiffers;
  }
  ReadWholeFile(names.final, generated);
  std::string was, is;
  int line = FirstDifference(present, generated, was, is);
  fprintf(stderr, "vorn: check: %s differs from what %s generates, first at line %d:\n",
          names.output.c_str(), names.input.c_str(), line);
  fprintf(stderr, "  %s:%d: %s\n  generated:%d: %s\n", names.output.c_str(), line, was.c_str(), line,
          is.c_str());
  return CheckDiffers;
}

// Copies the final source to standard output, a piece at a time.
static int SendToStdout(const std::string &final) {
  FILE *file = fopen(final.c_str(), "rb");
  char chunk[65536];
  size_t n = 0;
  bool ok = file != nullptr;
  while (ok && (n = fread(chunk, 1, sizeof chunk, file)) > 0) {
    for (size_t done = 0; ok && done < n;) {
      ssize_t wrote = write(FinalChannel, chunk + done, n - done);
      if (wrote < 0 && errno == EINTR) continue;
      ok = wrote > 0;
      done += ok ? static_cast<size_t>(wrote) : 0;
    }
  }
  if (file != nullptr) fclose(file);
  if (ok) return 0;
  VornError(std::string("cannot write the final source to standard output: ") + strerror(errno));
  return 1;
}

// Moves the final source to the output unless the output already holds it.
static int Replace(const RunNames &names) {
  if (SameFileContents(names.output, names.final)) return 0;
  if (rename(names.final.c_str(), names.output.c_str()) == 0) return 0;
  VornError("cannot write the final source " + names.output + ": " + strerror(errno));
  return 1;
}

static void RemoveScratch(const RunNames &names) {
  std::error_code ignored;
  std::filesystem::remove_all(names.scratch, ignored);
  KeepOnStop(names.scratch);
}

int DeliverOutput(const RunNames &names) {
  int status = names.check ? Check(names) : names.output == "-" ? SendToStdout(names.final)
                                                                : Replace(names);
  remove(names.final.c_str());
  KeepOnStop(names.final);
  ReleasePartial(names.final);
  RemoveScratch(names);
  return status;
}

void DiscardOutput(const RunNames &names, bool keep) {
  if (!names.final.empty()) remove(names.final.c_str());
  KeepOnStop(names.final);
  ReleasePartial(names.final);
  if (names.scratch.empty()) return;
  bool codeInScratch = names.code.rfind(names.scratch + "/", 0) == 0;
  if (!keep || !codeInScratch) return RemoveScratch(names);
  fprintf(stderr, "vorn: the generator program and its files are kept in %s\n", names.scratch.c_str());
}
