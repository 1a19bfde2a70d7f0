// The command line.
#include "driver/options.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "build/settings.h"
#include "driver/diagnostics.h"
#include "generator/codeform.h"
#include "generator/macro.h"
#include "scanner/input_stack.h"

const char *const UsageText =
    "Format: vorn -c[input file] -o[output file] -O[temporary macro C executable step file] "
    "-m{temporary macro C file] -M {parameters for macro executable step]\n";

const char *const HelpText =
    "Usage: vorn [options] <template>\n"
    "       vorn [options] -c<template> -M <word>...\n"
    "       vorn --help | --version\n"
    "Translates the template into a generator program, compiles it with the host gcc\n"
    "and runs it; what it prints is the final source (foo.C gives foo_new.C).\n"
    "Options come before the template name; arguments after it are not examined.\n"
    "\n"
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
    "                  (the same final source)\n"
    "  -q, --quiet     nothing on standard output; problems only, on standard error\n"
    "  --depfile=FILE  write a make rule: the final source depends on the template,\n"
    "                  its include files and compiler.cfg\n"
    "  --help          this text\n"
    "  --version       the version\n"
    "\n"
    "Exit status: 0 the final source was written and the template had no error;\n"
    "1 an error in the template or on the command line, or a failed compile or\n"
    "generator run (the reports say which); 2 the template could not be read.\n"
    "The manual: man vorn (docs/vorn.1 in the source tree).\n";

int InfoOption(int argc, char **argv) {
  for (int i = 0; i < argc && argv[i][0] == '-'; i++) {
    std::string arg = argv[i];
    if (arg == "--help") {
      printf("%s", HelpText);
      return 1;
    }
    if (arg == "--version") {
      printf("Vorn version 1.0\n");
      return 1;
    }
    if (arg == "-M") break;
  }
  return 0;
}

int QuietOption(int argc, char **argv) {
  for (int i = 0; i < argc && argv[i][0] == '-'; i++) {
    std::string arg = argv[i];
    if (arg == "-M") break;
    if (arg == "--quiet" || arg.compare(0, 2, "-q") == 0) return 1;
  }
  return 0;
}

void HandleMacroArgs(int i, int argc, char **) {
  FirstArg = i + 1;
  ArgumentsNumber = argc - i;
}

// Opens an input for reading; the last input named wins. A directory opens
// but cannot be read, so it counts as an input that could not be opened.
static void OpenInput(RunNames &names, const std::string &name) {
  if (names.stream != nullptr) fclose(names.stream);
  names.input = name;
  names.named = true;
  names.stream = fopen(name.c_str(), "r");
  if (IsDirectory(names.stream)) {
    fprintf(stderr, "Cannot read input file %s: %s\n", name.c_str(), strerror(EISDIR));
    fclose(names.stream);
    names.stream = nullptr;
  }
}

// "-c" name: ".C" is added unless the option's second-to-last character is '.'.
static std::string InputOption(const std::string &arg) {
  std::string value = arg.substr(2);
  return arg[arg.size() - 2] == '.' ? value : value + ".C";
}

// Options that have no letter; false for any other argument.
static bool LongOption(const std::string &arg, RunNames &names) {
  if (arg == "--compact") {
    CompactForm = 1;
  } else if (arg == "--quiet") {
    Quiet = 1;
  } else if (arg.compare(0, 10, "--depfile=") == 0 && arg.size() > 10) {
    names.depfile = arg.substr(10);
  } else {
    return false;
  }
  return true;
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
    if (arg[0] != '-') {
      OpenInput(names, arg);
      WarnIgnored(i + 1, argc, argv);
      return;
    }
    if (LongOption(arg, names)) continue;
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
        fprintf(stderr, "Unrecognized option %s\n", arg.c_str());
        CountError();
    }
  }
}

void DeriveNames(RunNames &names) {
  std::string base = names.input;
  if (base.size() >= 2 && base.compare(base.size() - 2, 2, ".C") == 0) base.resize(base.size() - 2);
  if (names.code.empty()) {
    names.code = base + ext2;
    names.macro = base + "_M.mac";
  }
  if (names.exe.empty()) names.exe = base + "_C.exe";
  if (names.final.empty()) names.final = base + "_new.C";
}

static std::string DirectoryOf(const std::string &name) {
  size_t slash = name.rfind('/');
  return slash == std::string::npos ? "" : name.substr(0, slash + 1);
}

std::string MacroIncludeName(const std::string &code, const std::string &macro) {
  if (macro.empty() || macro[0] == '/') return macro;
  std::string dir = DirectoryOf(macro);
  if (dir == DirectoryOf(code)) return macro.substr(dir.size());
  // Different folders: only a path that does not depend on where the
  // compiler looks will do.
  char *cwd = getcwd(nullptr, 0);
  std::string absolute = cwd != nullptr ? std::string(cwd) + "/" + macro : macro;
  free(cwd);
  return absolute;
}
