// The command line.
#include "driver/options.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "build/process.h"
#include "build/settings.h"
#include "build/steps.h"
#include "driver/diagnostics.h"
#include "generator/codeform.h"
#include "generator/macro.h"
#include "scanner/input_stack.h"

const char *const UsageText =
    "Format: vorn -c[input file] -o[output file] -O[temporary macro C executable step file] "
    "-m{temporary macro C file] -M {parameters for macro executable step]\n";

const char *const HelpText =
    "Usage: vorn [options] --output=<file> <template>\n"
    "       vorn [options] <template>\n"
    "       vorn [options] -c<template> -M <word>...\n"
    "       vorn --help | --version\n"
    "Translates the template into a generator program, compiles it with the host gcc\n"
    "and runs it; what it prints is the final source: <file>, or foo_new.C for the\n"
    "template foo.C without --output. The template - is standard input.\n"
    "Options come before the template name; arguments after it are not examined.\n"
    "\n"
    "  --output=FILE   the final source is FILE exactly (- for standard output),\n"
    "                  replaced only by a run that succeeds and changes it; the\n"
    "                  intermediate files go to a private folder under TMPDIR\n"
    "  --check         with --output=FILE: write nothing; status 3 when FILE is not\n"
    "                  what the template generates\n"
    "  --save-temps[=DIR]  keep the intermediate files (beside the template, or in DIR)\n"
    "  --compiler=PROGRAM  compile the generator program with PROGRAM\n"
    "  --cache=DIR     keep compiled generator programs in DIR and run one again\n"
    "                  instead of compiling the same program again\n"
"  -c<name>        the template: <name>.C, or <name> itself when its\n"
    "                  next-to-last character is a dot\n"
    "  -o<name>        the final source is <name>.C\n"
    "  -O<name>        the compiled generator program is <name>.exe\n"
    "  -m<name>        the generator program is <name>.C, its macro file <name>.mac\n"
    "  -l              accepted and ignored\n"
    "  -I<dir>         look for ##include names in <dir> too (after the working\n"
    "                  directory and the including file's folder); repeatable\n"
    "  -D<name>[=<v>]  define <name> (as <v>, or 1) for the macro code; repeatable\n"
    "  -M <word>...    the words are $1, $2, ... of the template; ends the options\n"
    "  --compact       write a generator program that compiles many times faster\n"
    "                  (the same final source; the default with --output)\n"
    "  --no-compact    write the generator program in its default form\n"
    "  -q, --quiet     nothing on standard output; problems only, on standard error\n"
    "  --depfile=FILE  write a make rule: the final source depends on the template,\n"
    "                  its include files, compiler.cfg and the headers the\n"
    "                  generator program's compile read\n"
    "  --timeout=SECONDS  stop a compile or generator run that takes longer\n"
    "  --max-output=SIZE  stop a generator program that writes more than SIZE\n"
    "                  bytes to a file (K, M, G: KiB, MiB, GiB; 0: no bound);\n"
    "                  the default bound is 1G\n"
    "  --help          this text\n"
    "  --version       the version\n"
    "\n"
    "Exit status: 0 the final source was written and the template had no error;\n"
    "1 an error in the template or on the command line, a failed compile or\n"
    "generator run, a file that could not be written in full (a full disk), or\n"
    "a generator past --max-output (the reports say which; no final source is\n"
    "left, and an --output file keeps what it held); 2 the template could not be\n"
    "read; 3 --check found a difference. Stopped by a signal, Vorn removes its\n"
    "partial and temporary files and ends by that signal.\n"
    "The manual: man vorn (docs/vorn.1 in the source tree).\n";

// The index of the first option before the input name for which wanted is true; -1 for none.
static int FindOption(int argc, char **argv, bool (*wanted)(const std::string &)) {
  for (int i = 0; i < argc && argv[i][0] == '-' && argv[i][1] != '\0'; i++) {
    std::string arg = argv[i];
    if (arg == "-M") break;
    if (wanted(arg)) return i;
  }
  return -1;
}

int InfoOption(int argc, char **argv) {
  int at = FindOption(argc, argv, [](const std::string &arg) {
    return arg == "--help" || arg == "--version";
  });
  if (at < 0) return 0;
  printf("%s", std::string(argv[at]) == "--help" ? HelpText : "Vorn version 1.0\n");
  return 1;
}

int QuietOption(int argc, char **argv) {
  return FindOption(argc, argv, [](const std::string &arg) {
           return arg == "--quiet" || arg.compare(0, 2, "-q") == 0;
         }) >= 0;
}

int StdoutOption(int argc, char **argv) {
  return FindOption(argc, argv, [](const std::string &arg) { return arg == "--output=-"; }) >= 0;
}

void HandleMacroArgs(int i, int argc, char **) {
  FirstArg = i + 1;
  ArgumentsNumber = argc - i;
}

// Opens an input for reading; the last input named wins. A directory opens
// but cannot be read, so it counts as an input that could not be opened.
static void OpenInput(RunNames &names, const std::string &name) {
  if (names.stream != nullptr && !names.fromStdin) fclose(names.stream);
  names.fromStdin = false;
  names.input = name;
  names.named = true;
  names.stream = fopen(name.c_str(), "r");
  names.openError = names.stream == nullptr ? errno : 0;
  if (IsDirectory(names.stream)) {
    fclose(names.stream);
    names.stream = nullptr;
    names.openError = EISDIR;
  }
}

// --timeout=SECONDS: a number greater than 0.
static void TimeoutOption(const std::string &value, RunNames &names) {
  char *end = nullptr;
  double seconds = strtod(value.c_str(), &end);
  if (value.empty() || *end != '\0' || !(seconds > 0) || seconds > 1e9) {
    VornError("--timeout takes a number of seconds greater than 0, not \"" + value + "\"");
    names.fatal = true;
    return;
  }
  StepTimeLimit = seconds;
}

// --max-output=SIZE: bytes, or K, M, G (powers of 1024) of them; 0 for no bound.
static void MaxOutputOption(const std::string &value, RunNames &names) {
  size_t digits = 0;
  while (digits < value.size() && isdigit(static_cast<unsigned char>(value[digits]))) digits++;
  std::string suffix = value.substr(digits);
  int shift = suffix.empty() ? 0 : suffix.size() > 1 ? -1 : strchr("kK", suffix[0]) ? 10
            : strchr("mM", suffix[0]) ? 20 : strchr("gG", suffix[0]) ? 30 : -1;
  errno = 0;
  unsigned long long bytes = digits > 0 ? strtoull(value.c_str(), nullptr, 10) : 0;
  if (digits == 0 || shift < 0 || errno != 0 || bytes > (~0ull >> shift)) {
    VornError("--max-output takes a size in bytes, with K, M or G after it for KiB, MiB or GiB "
              "(0 for no bound), not \"" + value + "\"");
    names.fatal = true;
    return;
  }
  MaxOutput = bytes << shift;
}

// "-": the template comes from standard input and is named as cpp names it.
static void StdinInput(RunNames &names) {
  if (names.stream != nullptr && !names.fromStdin) fclose(names.stream);
  names.input = "<stdin>";
  names.named = true;
  names.fromStdin = true;
  names.stream = stdin;
  names.openError = 0;
}

// A value option "--name=value": the value, or nullptr when arg is not that option.
static const char *ValueOf(const std::string &arg, const char *name) {
  size_t length = strlen(name);
  if (arg.compare(0, length, name) != 0 || arg.size() <= length || arg[length] != '=') return nullptr;
  return arg.c_str() + length + 1;
}

// Options that have no letter; false for any other argument.
static bool LongOption(const std::string &arg, RunNames &names) {
  const char *value = nullptr;
  if (arg == "--compact") {
    names.form = 1;
  } else if (arg == "--no-compact") {
    names.form = 0;
  } else if (arg == "--quiet") {
    Quiet = 1;
  } else if (arg == "--check") {
    names.check = true;
  } else if (arg == "--save-temps") {
    names.saveTemps = true;
  } else if ((value = ValueOf(arg, "--save-temps")) != nullptr && *value != '\0') {
    names.saveTemps = true;
    names.tempsDir = value;
  } else if ((value = ValueOf(arg, "--depfile")) != nullptr && *value != '\0') {
    names.depfile = value;
  } else if ((value = ValueOf(arg, "--output")) != nullptr && *value != '\0') {
    names.output = value;
  } else if ((value = ValueOf(arg, "--cache")) != nullptr && *value != '\0') {
    names.cache = value;
  } else if ((value = ValueOf(arg, "--compiler")) != nullptr && *value != '\0') {
    names.compiler = value;
  } else if ((value = ValueOf(arg, "--timeout")) != nullptr) {
    TimeoutOption(value, names);
  } else if ((value = ValueOf(arg, "--max-output")) != nullptr) {
    MaxOutputOption(value, names);
  } else {
    return false;
  }
  return true;
}

// The long options; a '=' after the name: it takes a value.
static const char *const LongOptions[] = {
    "--output=", "--check", "--save-temps", "--compiler=", "--cache=", "--compact", "--no-compact",
    "--quiet", "--depfile=", "--timeout=", "--max-output=", "--help", "--version"};

// The edit distance of a and b, a swap of two neighbours counting one.
static size_t Distance(const std::string &a, const std::string &b) {
  std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
  for (size_t i = 0; i <= a.size(); i++) d[i][0] = i;
  for (size_t j = 0; j <= b.size(); j++) d[0][j] = j;
  for (size_t i = 1; i <= a.size(); i++) {
    for (size_t j = 1; j <= b.size(); j++) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
      if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
        d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
    }
  }
  return d[a.size()][b.size()];
}

// A mistyped long option would otherwise run the whole build with the
// option's word lost; it ends the run before anything is written.
static void UnknownLongOption(const std::string &arg, RunNames &names) {
  std::string name = arg.substr(0, arg.find('='));
  std::string nearest;
  size_t best = 0;
  for (std::string known : LongOptions) {
    size_t distance = Distance(name, known.substr(0, known.find('=')));
    if (nearest.empty() || distance < best) nearest = known, best = distance;
  }
  names.fatal = true;
  bool takesValue = nearest.back() == '=';
  if (takesValue) nearest.pop_back();
  if (best == 0 && takesValue)
    return VornError("the option " + name + " needs a value: " + name + "=VALUE, in one word");
  if (best == 0) return VornError("the option " + name + " takes no value: " + arg);
  bool close = best <= std::max<size_t>(2, name.size() / 3);
  VornError("unrecognized option " + arg + (close ? "; did you mean " + nearest + "?" : "; see vorn --help"));
}

// The arguments after the input name are not examined; a word meant as an
// option or a parameter there would be lost without a sound.
static void WarnIgnored(int from, int argc, char **argv) {
  if (from >= argc) return;
  std::string rest;
  for (int i = from; i < argc; i++) rest += std::string(i > from ? " " : "") + argv[i];
  VornWarning("arguments after the input name are ignored: " + rest +
              " (options and -M words go before the input name, or name the input with -c)");
}

void ExamineArgs(int argc, char **argv, RunNames &names) {
  for (int i = 0; i < argc; i++) {
    std::string arg = argv[i];
    if (arg[0] != '-' || arg == "-") {
      if (arg == "-")
        StdinInput(names);
      else
        OpenInput(names, arg);
      WarnIgnored(i + 1, argc, argv);
      return;
    }
    if (LongOption(arg, names)) continue;
    if (arg.compare(0, 2, "--") == 0) {
      UnknownLongOption(arg, names);
      continue;
    }
    char letter = arg.size() > 1 ? arg[1] : '\0';
    std::string value = arg.size() > 2 ? arg.substr(2) : "";
    switch (letter) {
      case 'c': OpenInput(names, InputOption(arg)); break;
      case 'o': names.final = value + ".C"; break;
      case 'O': names.exe = value + ".exe"; break;
      case 'm':
        names.code = value + ".C";
        names.macro = value + ".mac";
        break;
      case 'l': break;
      case 'q': Quiet = 1; break;
      case 'I': IncludeDirs.push_back(value); break;
      case 'D': AddDefine(value); break;
      case 'M': HandleMacroArgs(i, argc, argv); return;
      default:
        DesignedError("Unrecognized option " + arg + "\n", "unrecognized option " + arg);
        CountError();
    }
  }
}
