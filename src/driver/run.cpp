// The run sequence.
#include "driver/run.h"

#include <cerrno>
#include <cstring>

#include "build/cache.h"
#include "build/config.h"
#include "build/prebuilt.h"
#include "build/process.h"
#include "build/settings.h"
#include "build/steps.h"
#include "driver/clash.h"
#include "driver/cleanup.h"
#include "driver/depfile.h"
#include "driver/diagnostics.h"
#include "driver/options.h"
#include "driver/outfile.h"
#include "generator/codeform.h"
#include "generator/flags.h"
#include "generator/linedir.h"
#include "generator/macro.h"
#include "generator/output.h"
#include "generator/prologue.h"
#include "generator/text.h"
#include "scanner/actions.h"
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
  ResetCleanup();
  ConfigRead = 0;
  StepTimeLimit = 0;
  MaxOutput = DefaultMaxOutput;
  FinalShown.clear();
  CodeShown.clear();
  FinalUnwritable = 0;
  FinalIsScratch = 0;
  CompileExtras.clear();
  CacheDir.clear();
  ResetPrebuiltSupport();
  PrebuiltAllowed = 1;
}

// Runs the scanner over every entry of the input stack, bottom entry first
// pushed; each include pushes an entry, each end of file pops one.
static void ScanInputStack() {
  while (LastFile != nullptr) {
    yylex();
    // An include file whose last line has no newline ends as if it had
    // one, so the including file's text starts on a line of its own, or,
    // after a backslash, continues that last line. A CR LF file's line end has its CR.
    if (LastFile->next != nullptr && !AtLineStart) {
      if (LastFile->crlf) TranslateChar('\r');
      IncludeEndNewline();
    }
    PopFile();
  }
}

static void ReportWriteFailure(const char *codeName, const char *macroName) {
  int err = 0;
  int file = WriteFailure(&err);
  std::string what = file == CodeFile ? "code" : "macro";
  std::string name = file == CodeFile ? codeName : macroName;
  DesignedError("Could not write " + what + " file " + name + ": " + strerror(err) + "\n",
                "cannot write the " + what + " file " + name + ": " + strerror(err));
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
  if (CompactForm && !OpenSegments(SegmentsNameFor(codeName).c_str())) {
    VornError("cannot create the text segments " + SegmentsNameFor(codeName) + ": " + strerror(errno));
    CloseFiles();
    return 0;
  }
  PrintHeaders(finalName, include.c_str());
  if (input == nullptr) {
    if (!Quiet) fprintf(stderr, "Missing input file\n");
    CloseFiles();
    return 0;
  }
  LastFile->fname = inputName;
  LastFile->line = 1;
  LastFile->crlf = EndsInCRLF(input);
  LastFile->bom = BeginsWithBom(input);
  yyin = input;
  ScanInputStack();
  CheckBlockClosed();
  // The text segments are written as the translation goes: a full disk shows there first.
  bool written = PrintEpilogue(), segments = SegmentsWritten();
  if (!segments) VornError("cannot write the text segments " + TextSegmentsName + ": " + strerror(errno));
  if (segments && !written) ReportWriteFailure(codeName, macroName);
  written = written && segments;
  // A generated file cut short by a full disk is of no use to anyone.
  if (!written)
    for (const std::string &name : {std::string(codeName), std::string(macroName), TextSegmentsName})
      if (!name.empty()) remove(name.c_str());
  return written;
}

// The make rule of what the run read: the template, compiler.cfg, the
// template's include files and the headers the generator program's compile read.
static int WriteRunDepfile(const RunNames &names, const std::vector<std::string> &headers) {
  std::vector<std::string> prerequisites;
  if (!names.fromStdin) prerequisites.push_back(names.input);
  if (ConfigRead) prerequisites.push_back("compiler.cfg");
  size_t firstInclude = prerequisites.size();
  prerequisites.insert(prerequisites.end(), IncludedFiles.begin(), IncludedFiles.end());
  prerequisites.insert(prerequisites.end(), headers.begin(), headers.end());
  const std::string &target = names.output.empty() ? names.final : names.output;
  return WriteDepfile(names.depfile, target, prerequisites, firstInclude);
}

// A run that fails after its generator wrote the final source leaves none:
// a build must not take a finished-looking file for a result.
static void RemoveFailedFinal(const std::string &final) {
  if (remove(final.c_str()) == 0)
    fprintf(stderr, "vorn: removed the final source %s of a failed run\n", final.c_str());
}

// --debug and --sanitize: the compile words they add (a compiler of gcc's
// family only), and a program that carries the whole support library, so that
// all of it is compiled the same way. A debugged program is compiled afresh,
// never taken from the cache, so that the kept program is the one that ran.
static bool AskForBuildKind(const RunNames &names) {
  if (!names.debug && !names.sanitize) return true;
  if (!CompilerTakesGccOptions()) {
    VornError(std::string(names.debug ? "--debug" : "--sanitize") +
              " needs a compiler of gcc's family, which takes -g and -fsanitize");
    return false;
  }
  PrebuiltAllowed = 0;
  if (names.debug) {
    CompileExtras.insert(CompileExtras.end(), {"-g", "-O0"});
    CacheDir.clear();
  }
  if (names.sanitize)
    CompileExtras.insert(CompileExtras.end(), {"-fsanitize=address,undefined", "-fno-sanitize-recover=undefined",
                                               "-fno-omit-frame-pointer", "-g"});
  return true;
}

// The command that runs the kept generator program under gdb, as this run ran it; its final
// source goes beside it, so that running it leaves the final source of the run alone.
static void SayHowToDebug(const RunNames &names, const std::string &program) {
  std::string final = names.output.empty() ? names.final : FolderOf(program) + "/" + TemplateBase(names, false) + "_new.C";
  std::string command = "gdb --args " + std::string(GeneratorPath(program.c_str())) + " " + final;
  if (!TextSegmentsName.empty()) command += " " + TextSegmentsName;
  fprintf(stderr, "vorn: to debug the generator program: %s\n", command.c_str());
}

// Translation, dependency file, compile and generator run; the exit status.
// stepFailed tells a failed compile or generator run from other failures.
static int Generate(RunNames &names, bool &stepFailed) {
  if (!TranslateInput(names.stream, names.input.c_str(), names.code.c_str(), names.macro.c_str(),
                      names.final.c_str())) {
    if (names.stream == nullptr && names.named)
      VornError("cannot open template \"" + names.input + "\": " + strerror(names.openError));
    return 1;
  }
  if (names.stream != nullptr && !names.fromStdin) fclose(names.stream);
  std::string program;
  std::vector<std::string> headers;
  // A mistake of the template, reported at its line, ends the run here: a
  // compile would only add a cascade of messages about generated code.
  if (TemplateMistakes > 0) {
    if (!names.depfile.empty()) WriteRunDepfile(names, headers);
    if (!FinalIsScratch) RemoveFailedFinal(names.final);  // no final source of an earlier run stays
    return 1;
  }
  int built = BuildProgram(names.code, names.macro, names.exe, program,
                           names.depfile.empty() ? nullptr : &headers);
  // Written after a failed compile too, so that the build runs Vorn again
  // when an include or a header changes.
  if (!names.depfile.empty() && !WriteRunDepfile(names, headers)) return 1;
  // A failed compile reports against the template's lines: its files, in a
  // private folder, are of no further use (--save-temps keeps them).
  stepFailed = false;
  if ((built & 0xFFFF) != 0) return 1;
  if (names.debug) SayHowToDebug(names, program);
  // A final source that could not be written is no fault of the program.
  if (call_pgm(program.c_str(), names.final.c_str()) != 0) {
    stepFailed = !FinalUnwritable;
    return 1;
  }
  stepFailed = false;
  if (TemplateErrors == 0) return 0;
  if (!FinalIsScratch) RemoveFailedFinal(names.final);
  return 1;
}

// Options that only make sense together, and the compiler option; 0 after a report.
static int SettleOptions(RunNames &names) {
  if (names.check && (names.output.empty() || names.output == "-")) {
    VornError("--check compares with the file named by --output=FILE; give one");
    return 0;
  }
  if (!names.compiler.empty() && !UseCompiler(names.compiler)) {
    VornError("the compiler \"" + names.compiler + "\" was not found");
    return 0;
  }
  CompactForm = names.form >= 0 ? names.form : !names.output.empty();
  CacheDir = names.cache;
  if (!CacheDir.empty() && CacheDir.back() == '/' && CacheDir.size() > 1) CacheDir.pop_back();
  return !names.fatal;
}

// From the names to the exit status, with the files of an --output run.
static int Run(RunNames &names) {
  PlaceTemps(names);
  if (names.output.empty()) DeriveNames(names);
  if (NamesClash(names) || !MakeTempsFolder(names)) return 1;
  if (!names.output.empty()) {
    FinalIsScratch = 1;
    if (!PrepareOutput(names)) {
      DiscardOutput(names, false);
      return 1;
    }
  }
  // The generator program may include headers that stand beside the template; its
  // code file, in a folder of its own, needs that folder named.
  std::string templateFolder = names.fromStdin ? "." : FolderOf(names.input);
  if (FolderOf(names.code) != templateFolder) CompileExtras = {"-iquote", templateFolder};
  if (!AskForBuildKind(names)) return 1;
  FinalShown = names.output.empty() || names.output == "-" ? "" : names.output;
  // A code file in the private folder, which a failed compile removes, is named by its template.
  CodeShown = !names.scratch.empty() && names.code.rfind(names.scratch + "/", 0) == 0
                  ? "the generator program of " + (names.fromStdin ? std::string("<stdin>") : names.input)
                  : "";
  bool stepFailed = false;
  int status = Generate(names, stepFailed);
  if (names.output.empty()) return status;
  if (status != 0) {
    DiscardOutput(names, stepFailed);
    return status;
  }
  return DeliverOutput(names);
}

int VornMain(int argc, char **argv) {
  InstallStopHandlers();
  EarlyOptions early = ExamineEarly(argc - 1, argv + 1);
  if (!early.info.empty()) {
    printf("%s", early.info == "--help" ? HelpText().c_str() : "Vorn version 1.0\n");
    return 0;
  }
  if (early.toStdout) TakeStdout();
  if (early.quiet) SilenceStdout();
  Hello();
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
  if (!SettleOptions(names)) return 1;
  // A compiler.cfg in the working directory may replace them in part.
  if (!processCFG(GCC, nullptr)) return 1;
  fflush(stdout);
  if (!names.makeSupport.empty()) return MakeSupport(names.makeSupport);
  if (!names.named) {
    DesignedError("Missing input file Name\n", "no template is named on the command line");
    return 1;
  }
  return Run(names);
}
