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
#include "generator/linedir.h"
#include "generator/macro.h"
#include "scanner/input_stack.h"

const char *const UsageText =
    "Format: vorn -c[input file] -o[output file] -O[temporary macro C executable step file] "
    "-m{temporary macro C file] -M {parameters for macro executable step]\n";

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
// --file-prefix-map=OLD=NEW: split at the first '=', as gcc does (an empty OLD fits every name).
static void PrefixMapOption(const std::string &value, RunNames &names) {
  size_t equals = value.find('=');
  if (equals == std::string::npos) {
    VornError("--file-prefix-map takes OLD=NEW, a prefix of names and what to write in its place, "
              "not \"" + value + "\"");
    names.fatal = true;
    return;
  }
  FilePrefixMaps.emplace_back(value.substr(0, equals), value.substr(equals + 1));
}

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

// How an option takes its value.
enum ValueKind {
  NoValue,      // --check
  NeedsValue,   // --output=FILE
  MayHaveValue, // --save-temps, --save-temps=DIR
  Attached      // a letter option: the value right behind the letter (-ofoo), maybe empty
};

// One option of the command line: how it is examined and how --help shows it.
struct Option {
  const char *name;     // "--output", or "-c" for a letter option
  const char *alias;    // another spelling, a word of its own ("--quiet" of "-q"); null for none
  ValueKind kind;
  const char *synopsis; // as --help shows it
  const char *help;     // what it does, lines joined by '\n'
  // Applies the option found at argv[at]; true when examination ends with it.
  bool (*apply)(RunNames &names, const std::string &value, int at, int argc, char **argv);
};

using Args = char **;

static const Option Options[] = {
    {"--output", nullptr, NeedsValue, "--output=FILE",
     "the final source is FILE exactly (- for standard output),\n"
     "replaced only by a run that succeeds and changes it; the\n"
     "intermediate files go to a private folder under TMPDIR",
     [](RunNames &n, const std::string &v, int, int, Args) { n.output = v; return false; }},
    {"--check", nullptr, NoValue, "--check",
     "with --output=FILE: write nothing; status 3 when FILE is not\nwhat the template generates",
     [](RunNames &n, const std::string &, int, int, Args) { n.check = true; return false; }},
    {"--save-temps", nullptr, MayHaveValue, "--save-temps[=DIR]",
     "keep the intermediate files (beside the template, or in DIR)",
     [](RunNames &n, const std::string &v, int, int, Args) {
       n.saveTemps = true;
       n.tempsDir = v;
       return false;
     }},
    {"--compiler", nullptr, NeedsValue, "--compiler=PROGRAM", "compile the generator program with PROGRAM",
     [](RunNames &n, const std::string &v, int, int, Args) { n.compiler = v; return false; }},
    {"--cache", nullptr, NeedsValue, "--cache=DIR",
     "keep compiled generator programs in DIR and run one again\n"
     "instead of compiling the same program again",
     [](RunNames &n, const std::string &v, int, int, Args) { n.cache = v; return false; }},
    {"--file-prefix-map", nullptr, NeedsValue, "--file-prefix-map=OLD=NEW",
     "write a template or include name that begins with OLD\n"
     "with NEW in its place, in the final source's and the\n"
     "generator program's #line directives; repeatable, the\n"
     "last that fits counts",
     [](RunNames &n, const std::string &v, int, int, Args) { PrefixMapOption(v, n); return false; }},
    {"--debug", nullptr, NoValue, "--debug",
     "compile the generator program for a debugger (-g -O0), keep\n"
     "it and its files as --save-temps does, and print the gdb\n"
     "command that runs it; the final source is the same",
     [](RunNames &n, const std::string &, int, int, Args) {
       n.debug = n.saveTemps = true;
       return false;
     }},
    {"--sanitize", nullptr, NoValue, "--sanitize",
     "build and run the generator program under the compiler's\n"
     "address and undefined-behaviour sanitizers: a fault of the\n"
     "macro code fails the run with a report at its template line",
     [](RunNames &n, const std::string &, int, int, Args) { n.sanitize = true; return false; }},
    {"--make-support", nullptr, NeedsValue, "--make-support=DIR",
     "make in DIR, for the compiler and options in use, the part of\n"
     "the generator program that is the same for every template\n"
     "(compiled once, then linked); no template is read",
     [](RunNames &n, const std::string &v, int, int, Args) { n.makeSupport = v; return false; }},
    {"-c", nullptr, Attached, "-c<name>",
     "the template: <name>.C, or <name> itself when its\nnext-to-last character is a dot",
     [](RunNames &n, const std::string &v, int, int, Args) {
       OpenInput(n, InputOption("-c" + v));
       return false;
     }},
    {"-o", nullptr, Attached, "-o<name>", "the final source is <name>.C",
     [](RunNames &n, const std::string &v, int, int, Args) { n.final = v + ".C"; return false; }},
    {"-O", nullptr, Attached, "-O<name>", "the compiled generator program is <name>.exe",
     [](RunNames &n, const std::string &v, int, int, Args) { n.exe = v + ".exe"; return false; }},
    {"-m", nullptr, Attached, "-m<name>", "the generator program is <name>.C, its macro file <name>.mac",
     [](RunNames &n, const std::string &v, int, int, Args) {
       n.code = v + ".C";
       n.macro = v + ".mac";
       return false;
     }},
    {"-l", nullptr, Attached, "-l", "accepted and ignored",
     [](RunNames &, const std::string &, int, int, Args) { return false; }},
    {"-I", nullptr, Attached, "-I<dir>",
     "look for ##include names in <dir> too (after the working\n"
     "directory and the including file's folder); repeatable",
     [](RunNames &, const std::string &v, int, int, Args) {
       IncludeDirs.push_back(v);
       return false;
     }},
    {"-D", nullptr, Attached, "-D<name>[=<v>]", "define <name> (as <v>, or 1) for the macro code; repeatable",
     [](RunNames &, const std::string &v, int, int, Args) {
       AddDefine(v);
       return false;
     }},
    {"-M", nullptr, Attached, "-M <word>...", "the words are $1, $2, ... of the template; ends the options",
     [](RunNames &, const std::string &, int at, int argc, Args argv) {
       HandleMacroArgs(at, argc, argv);
       return true;
     }},
    {"--compact", nullptr, NoValue, "--compact",
     "write a generator program that compiles many times faster\n"
     "(the same final source; the default with --output)",
     [](RunNames &n, const std::string &, int, int, Args) { n.form = 1; return false; }},
    {"--no-compact", nullptr, NoValue, "--no-compact", "write the generator program in its default form",
     [](RunNames &n, const std::string &, int, int, Args) { n.form = 0; return false; }},
    {"-q", "--quiet", Attached, "-q, --quiet", "nothing on standard output; problems only, on standard error",
     [](RunNames &, const std::string &, int, int, Args) { Quiet = 1; return false; }},
    {"--depfile", nullptr, NeedsValue, "--depfile=FILE",
     "write a make rule: the final source depends on the template,\n"
     "its include files, compiler.cfg and the headers the\n"
     "generator program's compile read",
     [](RunNames &n, const std::string &v, int, int, Args) { n.depfile = v; return false; }},
    {"--timeout", nullptr, NeedsValue, "--timeout=SECONDS", "stop a compile or generator run that takes longer",
     [](RunNames &n, const std::string &v, int, int, Args) { TimeoutOption(v, n); return false; }},
    {"--max-output", nullptr, NeedsValue, "--max-output=SIZE",
     "stop a generator program that writes more than SIZE\n"
     "bytes to a file (K, M, G: KiB, MiB, GiB; 0: no bound);\n"
     "the default bound is 1G",
     [](RunNames &n, const std::string &v, int, int, Args) { MaxOutputOption(v, n); return false; }},
    // Taken before anything else is done (EarlyOptions); nothing more to do here.
    {"--help", nullptr, NoValue, "--help", "this text",
     [](RunNames &, const std::string &, int, int, Args) { return false; }},
    {"--version", nullptr, NoValue, "--version", "the version",
     [](RunNames &, const std::string &, int, int, Args) { return false; }},
};

// The option arg spells, with its value; null for none (an unknown option, or a
// long option with a value it does not take or without one it needs).
static const Option *FindOption(const std::string &arg, std::string &value) {
  value.clear();
  for (const Option &o : Options) {
    std::string name = o.name;
    if (o.alias != nullptr && arg == o.alias) return &o;
    if (o.kind == Attached) {
      if (arg.size() < 2 || arg[1] != name[1] || arg[1] == '-') continue;
      value = arg.substr(2);
      return &o;
    }
    if (arg == name && o.kind != NeedsValue) return &o;
    bool valued = arg.compare(0, name.size() + 1, name + "=") == 0 && arg.size() > name.size() + 1;
    if (!valued || o.kind == NoValue) continue;
    value = arg.substr(name.size() + 1);
    return &o;
  }
  return nullptr;
}

static const char *const HelpHead =
    "Usage: vorn [options] --output=<file> <template>\n"
    "       vorn [options] <template>\n"
    "       vorn [options] -c<template> -M <word>...\n"
    "       vorn --help | --version\n"
    "Translates the template into a generator program, compiles it with the host gcc\n"
    "and runs it; what it prints is the final source: <file>, or foo_new.C for the\n"
    "template foo.C without --output. The template - is standard input.\n"
    "Options come before the template name; arguments after it are not examined.\n"
    "\n";

static const char *const HelpTail =
    "\n"
    "Exit status: 0 the final source was written and the template had no error;\n"
    "1 an error in the template or on the command line, a failed compile or\n"
    "generator run, a file that could not be written in full (a full disk), or\n"
    "a generator past --max-output (the reports say which; no final source is\n"
    "left, and an --output file keeps what it held); 2 the template could not be\n"
    "read; 3 --check found a difference. Stopped by a signal, Vorn removes its\n"
    "partial and temporary files and ends by that signal.\n"
    "The manual: man vorn (docs/vorn.1 in the source tree).\n";

std::string HelpText() {
  const size_t column = 18;  // where the descriptions start
  std::string text = HelpHead;
  for (const Option &o : Options) {
    std::string head = std::string("  ") + o.synopsis;
    head += std::string(head.size() + 2 <= column ? column - head.size() : 2, ' ');
    std::string help = o.help;
    for (size_t from = 0, end; from <= help.size(); from = end + 1) {
      end = std::min(help.find('\n', from), help.size());
      text += (from == 0 ? head : std::string(column, ' ')) + help.substr(from, end - from) + "\n";
    }
  }
  return text + HelpTail;
}

EarlyOptions ExamineEarly(int argc, char **argv) {
  EarlyOptions early;
  for (int i = 0; i < argc && argv[i][0] == '-' && argv[i][1] != '\0'; i++) {
    std::string arg = argv[i], value;
    const Option *o = FindOption(arg, value);
    if (o == nullptr) continue;
    std::string name = o->name;
    if (name == "-M") break;
    if ((name == "--help" || name == "--version") && early.info.empty()) early.info = name;
    if (name == "-q") early.quiet = true;
    if (name == "--output" && value == "-") early.toStdout = true;
  }
  return early;
}

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
  const Option *nearest = nullptr;
  const char *nearestName = nullptr;
  size_t best = 0;
  for (const Option &o : Options) {
    for (const char *spelling : {o.name, o.alias}) {
      if (spelling == nullptr || spelling[1] != '-') continue;
      size_t distance = Distance(name, spelling);
      if (nearest == nullptr || distance < best) nearest = &o, nearestName = spelling, best = distance;
    }
  }
  names.fatal = true;
  if (best == 0 && nearest->kind == NeedsValue)
    return VornError("the option " + name + " needs a value: " + name + "=VALUE, in one word");
  if (best == 0) return VornError("the option " + name + " takes no value: " + arg);
  bool close = best <= std::max<size_t>(2, name.size() / 3);
  VornError("unrecognized option " + arg +
            (close ? std::string("; did you mean ") + nearestName + "?" : std::string("; see vorn --help")));
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
    std::string value;
    const Option *o = FindOption(arg, value);
    if (o != nullptr && o->apply(names, value, i, argc, argv)) return;
    if (o != nullptr) continue;
    if (arg.compare(0, 2, "--") == 0) {
      UnknownLongOption(arg, names);
      continue;
    }
    DesignedError("Unrecognized option " + arg + "\n", "unrecognized option " + arg);
    CountError();
  }
}
