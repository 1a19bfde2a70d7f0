// The run sequence.
#include "driver/run.h"

#include <cerrno>
#include <cstring>

#include "build/config.h"
#include "build/settings.h"
#include "build/steps.h"
#include "driver/depfile.h"
#include "driver/diagnostics.h"
#include "driver/options.h"
#include "generator/flags.h"
#include "generator/linedir.h"
#include "generator/macro.h"
#include "generator/output.h"
#include "generator/prologue.h"
#include "generator/text.h"
#include "scanner/input_stack.h"
#include "scanner/scanner.h"

#if defined(__linux__)
static const char *const Platform = "Linux";
#elif defined(__APPLE__)
static const char *const Platform = "macOS";
#else
static const char *const Platform = "POSIX";
#endif

void Hello() {
  printf("Vorn version 1.0\n");
  printf("Compiled by GCC ver %d.%d (patch level %d)", __GNUC__, __GNUC_MINOR__,
         __GNUC_PATCHLEVEL__);
  printf(" under %s\n", Platform);
  printf("On %s %s\n", __DATE__, __TIME__);
  comp = GCC;
}

void ResetVorn() {
  ResetInputStack();
  ResetOutput();
  ResetLineDirectives();
  ResetFlags();
  ResetMacro();
  ResetSettings();
  ResetDiagnostics();
  ConfigRead = 0;
}

// Runs the scanner over every entry of the input stack, bottom entry first
// pushed; each include pushes an entry, each end of file pops one.
static void ScanInputStack() {
  while (LastFile != nullptr) {
    yylex();
    // An include file whose last line has no newline ends as if it had
    // one, so the including file's text starts on a line of its own.
    if (LastFile->next != nullptr && !AtLineStart) {
      if (LastFile->crlf) TranslateChar('\r');
      TranslateChar('\n');
    }
    PopFile();
  }
}

static void ReportWriteFailure(const char *codeName, const char *macroName) {
  int err = 0;
  int file = WriteFailure(&err);
  fprintf(stderr, "Could not write %s file %s: %s\n", file == CodeFile ? "code" : "macro",
          file == CodeFile ? codeName : macroName, strerror(err));
}

int TranslateInput(FILE *input, const char *inputName, const char *codeName,
                   const char *macroName, const char *finalName) {
  LastFile->fname = "";
  LastFile->line = 0;
  std::string include = MacroIncludeName(codeName, macroName);
  if (include.find('"') != std::string::npos) {
    // An #include line takes its name without escapes: nothing can stand for the quote.
    VornError("the macro file name " + include +
              " holds a double quote, which the generator program cannot #include; name it with -m");
    return 0;
  }
  if (!openFiles(codeName, macroName)) return 0;
  PrintHeaders(finalName, include.c_str());
  if (input == nullptr) {
    fprintf(stderr, "Missing input file\n");
    CloseFiles();
    return 0;
  }
  LastFile->fname = inputName;
  LastFile->line = 1;
  LastFile->crlf = EndsInCRLF(input);
  yyin = input;
  ScanInputStack();
  CheckBlockClosed();
  if (!PrintEpilogue()) {
    ReportWriteFailure(codeName, macroName);
    return 0;
  }
  return 1;
}

// The make rule of what the run read: the template, its include files and compiler.cfg.
static int WriteRunDepfile(const RunNames &names) {
  std::vector<std::string> prerequisites = {names.input};
  if (ConfigRead) prerequisites.push_back("compiler.cfg");
  size_t firstInclude = prerequisites.size();
  prerequisites.insert(prerequisites.end(), IncludedFiles.begin(), IncludedFiles.end());
  return WriteDepfile(names.depfile, names.final, prerequisites, firstInclude);
}

int VornMain(int argc, char **argv) {
  if (InfoOption(argc - 1, argv + 1)) return 0;
  if (QuietOption(argc - 1, argv + 1)) SilenceStdout();
  Hello();
  oldFname.clear();
  saveArgv = argv;
  PushBottom(nullptr);
  if (argc <= 1) {
    printf("%s", UsageText);
    return 0;
  }
  RunNames names;
  ExamineArgs(argc - 1, argv + 1, names);
  LastFile->file = names.stream;
  yyin = names.stream;
  printf("Target source for GCC compiler\n");
  InstallGccSettings();
  processCFG(GCC, nullptr);  // a compiler.cfg in the working directory may replace them in part
  fflush(stdout);
  if (!names.named) {
    fprintf(stderr, "Missing input file Name\n");
    return 1;
  }
  DeriveNames(names);
  if (!TranslateInput(names.stream, names.input.c_str(), names.code.c_str(), names.macro.c_str(),
                      names.final.c_str()))
    return 1;
  if (names.stream != nullptr) fclose(names.stream);
  // Written before the build steps, so that a failed compile still leaves
  // the rule that makes the build run Vorn again when an include changes.
  int depfileOk = names.depfile.empty() || WriteRunDepfile(names);
  int built = call_cc(names.code.c_str(), names.exe.c_str());
  if ((built & 0xFFFF) != 0) return 1;
  if (call_pgm(names.exe.c_str(), names.final.c_str()) != 0) return 1;
  return TemplateErrors == 0 && depfileOk ? 0 : 1;
}
