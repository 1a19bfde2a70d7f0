// Build and run steps.
//
// Each step is a child process, waited for before the next. Its wait status
// becomes a pass result: the exit status as it is (0 success, 1 the program
// reported errors, anything else another failure), 256 + N for a child ended
// by signal N, -1 and -2 for a failed fork or wait. A program that cannot be
// started is a failure: the child says why and exits with 127.
#include "build/steps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "build/cache.h"
#include "build/cmdline.h"
#include "build/prebuilt.h"
#include "build/process.h"
#include "build/settings.h"
#include "build/wholefile.h"
#include "driver/cleanup.h"
#include "driver/depfile.h"
#include "driver/names.h"
#include "driver/diagnostics.h"
#include "generator/codeform.h"

int FinalIsScratch = 0;
unsigned long long MaxOutput = DefaultMaxOutput;
std::string FinalShown;
std::string CodeShown;
int FinalUnwritable = 0;
std::vector<std::string> CompileExtras;

// The parent's messages for one kind of pass.
struct PassMessages {
  const char *forkFailed; // result -1
  const char *waitFailed; // result -2
  const char *errors;     // result 1
  const char *failed;     // any other result: this prefix, then what happened to the child
};

static const PassMessages CompileMessages = {
    "Fork of compilation pass failed\n", "Compilation internal pass ended abnormally\n",
    "Compilation internal pass ended with compilation errors\n",
    "Compilation internal pass failed: "};
static const PassMessages LinkMessages = {
    "Fork of link pass failed\n", "Link internal pass ended abnormally\n",
    "Link internal pass ended with errors\n", "Link internal pass failed: "};
static const PassMessages PrintMessages = {"Fork of print pass failed\n",
                                           "printf pass ended abnormally\n",
                                           "Print pass ended with errors\n", "Print pass failed: "};

// Word i of args, or "" past its end (for the link step's diagnostic).
static const char *Word(const std::vector<std::string> &args, size_t i) {
  return i < args.size() ? args[i].c_str() : "";
}

// Starts program with args in a child and waits for it. diagnostic is what
// the child writes to standard error when the program cannot be started.
static int RunPass(const char *program, const std::vector<std::string> &args,
                   const std::string &diagnostic) {
  int status = RunChild(program, args, diagnostic);
  if (status == -1) return PassForkFailed;
  if (status == -2) return PassWaitFailed;
  if (WIFSIGNALED(status)) return PassSignalBase + WTERMSIG(status);
  return WEXITSTATUS(status);
}

// What happened to a child whose pass result is not 0, in words.
static std::string Outcome(int result) {
  if (result == PassForkFailed) return "it could not be started (fork failed)";
  if (result == PassWaitFailed) return "waiting for it failed";
  if (result >= PassSignalBase) {
    int signal = result - PassSignalBase;
    return "terminated by signal " + std::to_string(signal) + " (" + strsignal(signal) + ")";
  }
  return "exit status " + std::to_string(result);
}

// The one line of a step stopped for its time limit; subject names the step.
static std::string TimeLimitText(const std::string &subject) {
  char limit[32];
  snprintf(limit, sizeof limit, "%g", StepTimeLimit);
  return subject + " ran longer than " + limit + " s and was stopped";
}

// Prints the parent's message for a pass result; a quiet run says it in one
// line on standard error instead. step names what failed; a step stopped for
// its time limit is said in one line, named by subject.
static void Report(int result, const PassMessages &messages, const std::string &step,
                   const std::string &subject, const std::string &tail = "") {
  if (result == 0) return;
  if (StepTimedOut) return VornError(TimeLimitText(subject) + tail);
  if (Quiet) return VornError(step + " failed: " + Outcome(result) + tail);
  if (result == PassForkFailed) {
    printf("%s", messages.forkFailed);
  } else if (result == PassWaitFailed) {
    printf("%s", messages.waitFailed);
  } else if (result == 1) {
    printf("%s", messages.errors);
  } else if (result >= PassSignalBase) {
    int signal = result - PassSignalBase;
    fprintf(stderr, "%sterminated by signal %d (%s)\n", messages.failed, signal, strsignal(signal));
  } else {
    fprintf(stderr, "%sexit status %d\n", messages.failed, result);
  }
  fflush(stdout);
}

// A name of gcc's family: gcc, g++, cc, c++, clang, clang++, after a prefix ending in '-'
// (x86_64-linux-gnu-gcc) and before a version (gcc-12, clang++-14).
static bool GccName(std::string name) {
  size_t dash = name.rfind('-');
  if (dash != std::string::npos && dash + 1 < name.size() && isdigit(static_cast<unsigned char>(name[dash + 1])))
    name.resize(dash);
  name = name.substr(name.rfind('-') + 1);
  for (const char *known : {"gcc", "g++", "cc", "c++", "clang", "clang++"})
    if (name == known) return true;
  return false;
}

// Where the compiler's own name stands among the compile line's words: first,
// or second behind a wrapper such as ccache.
size_t CompilerWordIndex(const std::vector<std::string> &words) {
  std::string first = words.empty() ? "" : BaseName(words[0]);
  return (first == "ccache" || first == "distcc") && words.size() > 1 ? 1 : 0;
}

std::string CompilerName() {
  std::vector<std::string> words = breakLine(compiler2 != nullptr ? compiler2 : "");
  return words.empty() ? "" : BaseName(words[CompilerWordIndex(words)]);
}

int CompilerTakesGccOptions() { return compiler2 != nullptr && GccName(CompilerName()); }

// The compile line's words with CompileExtras right after the compiler's name.
static std::vector<std::string> WithExtras(std::vector<std::string> args) {
  if (args.empty() || !CompilerTakesGccOptions()) return args;
  args.insert(args.begin() + static_cast<long>(CompilerWordIndex(args)) + 1, CompileExtras.begin(),
              CompileExtras.end());
  return args;
}

// A step whose flags choose no file extension is not started; the run ends with status 1.
static int NoExtensions() {
  fflush(stdout);
  fprintf(stderr, "Result extensions not specified\n");
  return PassNoExtensions;
}

int exec_compiler(const char *codeName, const char *exeName) {
  std::vector<std::string> args =
      WithExtras(execArgs(compiler2, compiler_flag, ext_src, ext_obj, ext_exe, codeName, exeName));
  if (args.empty()) return NoExtensions();
  // The prebuilt support object goes right after the code file, before the libraries.
  const std::string code = FixExt(codeName, ext_src);
  for (size_t i = 1; !SupportObject.empty() && i < args.size(); i++)
    if (args[i] == code) {
      args.insert(args.begin() + static_cast<long>(i) + 1, SupportObject);
      break;
    }
  std::string diagnostic = std::string("execv(") + compiler1 + ",* :";
  int result = RunPass(compiler1, args, diagnostic);
  const std::string shown = CodeShown.empty() ? std::string(codeName) : CodeShown;
  Report(result, CompileMessages, "compiling " + shown, "the compile of " + shown);
  // Linking after a failed compile could only pick up a stale object.
  if (linker_flag == 0 || result != 0) return result;
  args = execArgs(linker2, linker_flag, ext_src, ext_obj, ext_exe, codeName, exeName);
  if (args.empty()) return NoExtensions();
  diagnostic = std::string("execv(") + linker1 + "," + Word(args, 0) + " " + Word(args, 1) + " " +
               Word(args, 2) + " " + Word(args, 3) + " :";
  result = RunPass(linker1, args, diagnostic);
  Report(result, LinkMessages, std::string("linking ") + exeName,
         std::string("the link of ") + exeName);
  return result;
}

int call_cc(const char *codeName, const char *exeName) { return exec_compiler(codeName, exeName); }

// Starts the compiler's preprocessor on code, writing its token stream without
// line markers to scratch; the child's pid, or -1.
static int StartTokens(const std::string &code, const std::string &scratch) {
  std::vector<std::string> args =
      execArgs(compiler2, compiler_flag, ext_src, ext_obj, ext_exe, code.c_str(), scratch.c_str());
  if (args.empty()) return -1;
  for (size_t i = 1; i + 1 < args.size(); i++)
    if (args[i] == "-o") args.erase(args.begin() + static_cast<long>(i), args.begin() + static_cast<long>(i) + 2);
  args = WithExtras(args);
  args.insert(args.end(), {"-E", "-P", "-o", scratch});
  RemoveOnStop(scratch);
  return StartSideChild(compiler1, args);
}

// The hash of the token stream StartTokens is making, or empty when it could
// not be made or the code asks for its own line (__builtin_LINE, behind
// std::source_location), which the stream does not show.
static std::string FinishTokens(int pid, const std::string &scratch) {
  int status = WaitSideChild(pid);
  std::string tokens, text;
  if (status == 0 && ReadWholeFile(scratch, text) && text.find("__builtin_LINE") == std::string::npos)
    tokens = HashHex(text);
  remove(scratch.c_str());
  KeepOnStop(scratch);
  return tokens;
}

// Compiles, listing in headers the files the compile read besides the code
// file and the macro file, as the compiler's own dependency file names them.
static int CompileListing(const std::string &code, const std::string &macro,
                          const std::string &exeName, std::vector<std::string> &headers) {
  std::string deps = exeName + ".d", rule;
  std::vector<std::string> saved = CompileExtras;
  CompileExtras.insert(CompileExtras.end(), {"-MD", "-MF", deps});
  RemoveOnStop(deps);
  int built = call_cc(code.c_str(), exeName.c_str());
  CompileExtras = saved;
  headers.clear();
  std::error_code same;
  if (ReadWholeFile(deps, rule)) {
    for (const std::string &path : RuleWords(rule))
      if (!std::filesystem::equivalent(path, code, same) && !std::filesystem::equivalent(path, macro, same) &&
          (SupportHeader.empty() || !std::filesystem::equivalent(path, SupportHeader, same)))
        headers.push_back(path);
  }
  remove(deps.c_str());
  KeepOnStop(deps);
  return built;
}

// Compiles on a cache miss and stores the program with the headers its
// compile read, and with the token stream's hash when it was made.
static int CompileAndStore(const std::string &code, const std::string &macro,
                           const std::string &exeName, const std::string &tokens,
                           std::vector<std::string> &headers) {
  int built = CompileListing(code, macro, exeName, headers);
  if ((built & 0xFFFF) == 0) StoreProgram(exeName, headers, tokens);
  return built;
}

// The program of the same code with other "#line" numbers, when the compiler
// sees the same tokens in both, which no line number then reaches; empty
// otherwise. tokens gets the hash of the current code's stream. The other
// code's stream is made here the first time it is asked, from its kept files.
static std::string LineShifted(const std::string &code, const std::string &exeName, std::string &tokens) {
  std::string stored = LineShiftedTokens();
  if (stored.empty()) return "";
  std::string scratch = exeName + ".ii", other = exeName + ".was";
  int side = StartTokens(code, scratch), otherSide = -1;
  std::vector<std::string> kept;
  if (stored == "-") {
    RemoveOnStop(other, StopFolder);
    kept = mkdir(other.c_str(), 0700) == 0 ? LineShiftedSources(other) : kept;
    if (!kept.empty()) otherSide = StartTokens(kept[0], other + "/tokens.ii");
  }
  tokens = FinishTokens(side, scratch);
  if (otherSide >= 0) NoteLineShiftedTokens(FinishTokens(otherSide, other + "/tokens.ii"));
  if (stored == "-") {
    for (const std::string &file : kept) {
      remove(file.c_str());
      KeepOnStop(file);
    }
    rmdir(other.c_str());
    KeepOnStop(other);
  }
  return LineShiftedProgram(tokens);
}

int BuildProgram(const std::string &code, const std::string &macro, const std::string &exeName,
                 std::string &program, std::vector<std::string> *headers) {
  program = exeName;
  std::vector<std::string> unwanted;
  if (headers == nullptr) headers = &unwanted;
  headers->clear();
  if (CompactForm) UsePrebuiltSupport(CompileExtras);
  bool listing = CompilerTakesGccOptions();
  if (!CacheDir.empty() && !listing)
    VornWarning("--cache needs a compiler of gcc's family, which lists the headers it reads; "
                "compiling without the cache");
  if (!listing || (CacheDir.empty() && headers == &unwanted)) return call_cc(code.c_str(), exeName.c_str());
  if (CacheDir.empty()) return CompileListing(code, macro, exeName, *headers);
  std::string cached = CachedProgram(code, macro, CompileExtras), tokens;
  if (cached.empty()) cached = LineShifted(code, exeName, tokens);
  if (cached.empty()) return CompileAndStore(code, macro, exeName, tokens, *headers);
  *headers = CachedHeaders();
  program = cached;
  return 0;
}

const char *GeneratorPath(const char *exeName) {
  static std::string path;
  path = strchr(exeName, '/') != nullptr ? exeName : std::string("./") + exeName;
  return path.c_str();
}

std::string SizeText(unsigned long long bytes) {
  static const char *const units[] = {"GiB", "MiB", "KiB"};
  for (int i = 0; i < 3; i++) {
    unsigned long long unit = 1ull << (10 * (3 - i));
    if (bytes >= unit && bytes % unit == 0) return std::to_string(bytes / unit) + " " + units[i];
  }
  return std::to_string(bytes) + " bytes";
}

// The channel through which the generator program tells why it could not
// write the final source: a pipe whose write end it inherits, named in
// VORN_REPORT_FD. Its errno arrives as a decimal number.
static bool OpenReport(int fds[2]) {
  if (pipe2(fds, O_CLOEXEC) != 0) return false;
  fcntl(fds[1], F_SETFD, 0);
  fcntl(fds[0], F_SETFL, O_NONBLOCK);
  setenv("VORN_REPORT_FD", std::to_string(fds[1]).c_str(), 1);
  return true;
}

// The errno the generator program reported, or 0; closes the channel.
static int ReadReport(int fds[2]) {
  unsetenv("VORN_REPORT_FD");
  close(fds[1]);
  char text[32] = {};
  ssize_t n = read(fds[0], text, sizeof text - 1);
  close(fds[0]);
  return n > 0 ? atoi(text) : 0;
}

// The one line of a generator program stopped by the file size limit: ours,
// or a lower one that Vorn was started with.
static std::string BoundText(const std::string &program, const std::string &tail) {
  unsigned long long inherited = InheritedFileLimit();
  if (MaxOutput == 0 || (inherited != 0 && inherited < MaxOutput))
    return program + " reached the file size limit of " + SizeText(inherited) +
           " that vorn was started with (ulimit -f) and was stopped" + tail;
  return program + " wrote more than " + SizeText(MaxOutput) +
         ", the bound of the final source, and was stopped" + tail +
         "; --max-output=SIZE raises the bound (0 for none)";
}

// The final source as the reports name it.
static std::string Shown(const char *finalName) { return FinalShown.empty() ? finalName : FinalShown; }

// The default form's program writes through the stream it opened without a
// look at it: a final source that cannot be opened is said here, before it
// runs; 0 then. A file the look made is removed again.
static int CanWrite(const char *finalName) {
  bool existed = access(finalName, F_OK) == 0;
  FILE *probe = fopen(finalName, "a");
  if (probe == nullptr) {
    VornError("cannot write the final source " + Shown(finalName) + ": " + strerror(errno));
    return 0;
  }
  fclose(probe);
  if (!existed) remove(finalName);
  return 1;
}

int call_pgm(const char *exeName, const char *finalName) {
  FinalUnwritable = !CanWrite(finalName);
  if (FinalUnwritable) return 1;
  const char *path = GeneratorPath(exeName);
  std::string diagnostic = std::string("execl(") + path + "," + exeName + " " + finalName + " :";
  RemoveOnStop(finalName, FinalIsScratch ? StopQuiet : StopReport);
  std::vector<std::string> args = {exeName, finalName};
  // The compact form's program reads its text from the segments file.
  if (!TextSegmentsName.empty()) args.push_back(TextSegmentsName);
  int report[2];
  bool listening = OpenReport(report);
  ChildFileLimit = MaxOutput;
  int result = RunPass(path, args, diagnostic);
  ChildFileLimit = 0;
  int writeError = listening ? ReadReport(report) : 0;
  KeepOnStop(finalName);
  // What a failed program began is no final source: a build must not take it.
  bool removed = result != 0 && remove(finalName) == 0 && !FinalIsScratch;
  std::string tail = removed ? std::string("; its partial final source ") + finalName + " was removed" : "";
  std::string program = std::string("the generator program ") + exeName;
  FinalUnwritable = result != 0 && writeError != 0;
  if (FinalUnwritable)
    VornError("cannot write the final source " + Shown(finalName) + ": " + strerror(writeError) + tail);
  else if (result == PassSignalBase + SIGXFSZ)
    VornError(BoundText(program, tail));
  else
    Report(result, PrintMessages, program, program, tail);
  bool reported = FinalUnwritable || result == PassSignalBase + SIGXFSZ;
  if (removed && !reported && !Quiet && !StepTimedOut)
    fprintf(stderr, "vorn: removed the partial final source %s\n", finalName);
  return result;
}
