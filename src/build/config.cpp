// The configuration file reader.
//
// A section starts at the first line that begins with its header ("#GCC",
// "#MSC" or a given name) and runs to the end of the file or the next line
// that begins with '#'. Its header line may set the extensions; its body
// holds a COMPILER= line and a LINKER= line, each directly followed by the
// LINE= line with its command-line format.
#include "build/config.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "build/cmdline.h"
#include "build/settings.h"

int IsNumeric(const char *s) {
  for (; *s; s++)
    if (*s < '0' || *s > '9') return 0;
  return 1;
}

// One whole line, its line end included, however long it is.
static bool ReadLine(FILE *file, std::string &line) {
  line.clear();
  for (int c; (c = getc(file)) != EOF;) {
    line += static_cast<char>(c);
    if (c == '\n') break;
  }
  return !line.empty();
}

static bool StartsWith(const std::string &line, const char *prefix) {
  return line.compare(0, strlen(prefix), prefix) == 0;
}

static const char *Keep(const std::string &text) { return KeepSetting(text); }

static void HeaderLine(const std::string &line) {
  std::vector<std::string> words = breakLine(line);
  for (size_t i = 1; i < words.size(); i++) {
    const std::string &word = words[i];
    if (StartsWith(word, "SRC="))
      ext_src = Keep(word.substr(4));
    else if (StartsWith(word, "OBJ="))
      ext_obj = Keep(word.substr(4));
    else if (StartsWith(word, "EXE="))
      ext_exe = Keep(word.substr(4));
  }
}

// What one step line ("COMPILER=" or "LINKER=") sets.
struct StepSettings {
  const char *key;     // the line's key
  const char *label;   // the step's name in the invalid-argument message
  const char **program;
  int *flag;
  int *parms;
};

static void StepLine(const std::string &line, const StepSettings &step) {
  std::vector<std::string> words = breakLine(line);
  *step.flag = 0;
  *step.program = Keep(words[0].substr(strlen(step.key)));
  for (size_t i = 1; i < words.size(); i++) {
    const std::string &word = words[i];
    if (word == "SRC")
      *step.flag |= SRC;
    else if (word == "OBJ")
      *step.flag |= OBJ;
    else if (word == "EXE")
      *step.flag |= EXE;
    else if (IsNumeric(word.c_str()))
      *step.parms = atoi(word.c_str());
    else
      fprintf(stderr, "Invalid argument %s on %s line\n", word.c_str(), step.label);
  }
}

static std::string TrimEnd(std::string text) {
  while (!text.empty() && strchr("\n \t", text.back()) != nullptr) text.pop_back();
  return text;
}

// The body of the section; returns at its end or at a missing format line.
static void SectionBody(FILE *file) {
  static const StepSettings compilerStep = {"COMPILER=", "COMPILER", &compiler1, &compiler_flag,
                                            &compiler_parms};
  static const StepSettings linkerStep = {"LINKER=", "LINKER", &linker1, &linker_flag,
                                          &linker_parms};
  std::string line;
  while (ReadLine(file, line) && line[0] != '#') {
    if (StartsWith(line, "COMPILER=")) {
      StepLine(line, compilerStep);
      if (!ReadLine(file, line)) {
        fprintf(stderr, "Missing Compiler parameter line\n");
        return;
      }
      if (!StartsWith(line, "LINE=")) {
        fprintf(stderr, "Missing compiler parameter line\n");
        return;
      }
      compiler2 = Keep(TrimEnd(line.substr(5)));
    } else if (StartsWith(line, "LINKER=")) {
      StepLine(line, linkerStep);
      if (!ReadLine(file, line) || !StartsWith(line, "LINE=")) {
        fprintf(stderr, "Missing Linker parameter line\n");
        return;
      }
      linker2 = Keep(line.substr(5));  // its line end is ignored when the line is split
    }
  }
}

int ConfigRead = 0;

int processCFG(int compiler, const char *name) {
  const char *header = compiler == GCC ? "#GCC" : compiler == MSC ? "#MSC" : name;
  if (header == nullptr || header[0] == '\0') {
    fprintf(stderr, "Undefined C compiler\n");
    return 0;
  }
  FILE *file = fopen("compiler.cfg", "r");
  if (file == nullptr) return 1;
  ConfigRead = 1;
  std::string line;
  bool found = false;
  while (!found && ReadLine(file, line)) found = StartsWith(line, header);
  if (!found) {
    fprintf(stderr, "Compiler not supported\n");
    fclose(file);
    if (compiler == GCC || compiler == MSC) return 1;
    fprintf(stderr, "Compiler %s cannot be used\n", name);
    return 0;
  }
  HeaderLine(line);
  SectionBody(file);
  fclose(file);
  return 1;
}
