// The command line.
#include "driver/options.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "build/settings.h"
#include "generator/macro.h"
#include "scanner/input_stack.h"

const char *const UsageText =
    "Format: vorn -c[input file] -o[output file] -O[temporary macro C executable step file] "
    "-m{temporary macro C file] -M {parameters for macro executable step]\n";

int InfoOption(int argc, char **argv) {
  for (int i = 0; i < argc && argv[i][0] == '-'; i++) {
    std::string arg = argv[i];
    if (arg == "--help") {
      printf("%s", UsageText);
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

void ExamineArgs(int argc, char **argv, RunNames &names) {
  for (int i = 0; i < argc; i++) {
    std::string arg = argv[i];
    if (arg[0] != '-') {
      OpenInput(names, arg);
      return;
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
      case 'I': IncludeDirs.push_back(value); break;
      case 'M': HandleMacroArgs(i, argc, argv); return;
      default: fprintf(stderr, "Unrecognized option %s\n", arg.c_str());
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
