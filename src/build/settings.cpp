// Compiler settings.
#include "build/settings.h"

#include <unistd.h>

#include <cstdlib>
#include <list>

#ifndef VORN_HOST_GCC
#define VORN_HOST_GCC "/usr/bin/gcc"
#endif

int comp = GCC;
const char *ext2 = nullptr;
const char *ext_src = nullptr;
const char *ext_obj = nullptr;
const char *ext_exe = nullptr;
const char *compiler1 = nullptr;
const char *compiler2 = nullptr;
int compiler_flag = 0;
int compiler_parms = 0;
const char *linker1 = nullptr;
const char *linker2 = nullptr;
int linker_flag = 0;
int linker_parms = 0;

// Copies of settings read from a file; list nodes keep their addresses.
static std::list<std::string> Kept;

const char *KeepSetting(const std::string &text) { return Kept.emplace_back(text).c_str(); }

void InstallGccSettings() {
  comp = GCC;
  ext2 = "_C.C";
  ext_src = "C";
  ext_exe = "exe";
  compiler1 = VORN_HOST_GCC;  // the host's gcc, found when Vorn was configured
  compiler2 = "gcc %s -o %s -lm"; // gcc compiles a ".C" file as C++; glibc keeps <math.h> in libm
  compiler_flag = SRC | EXE;
  linker_flag = 0;
}

// program itself when it names a folder, else the first executable of that name on PATH.
static std::string FindProgram(const std::string &program) {
  if (program.find('/') != std::string::npos) return access(program.c_str(), X_OK) == 0 ? program : "";
  const char *path = getenv("PATH");
  std::string folders = path != nullptr ? path : "/usr/bin:/bin";
  for (size_t at = 0; at <= folders.size();) {
    size_t end = folders.find(':', at);
    if (end == std::string::npos) end = folders.size();
    std::string folder = end > at ? folders.substr(at, end - at) : ".";
    std::string candidate = folder + "/" + program;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    at = end + 1;
  }
  return "";
}

int UseCompiler(const std::string &program) {
  std::string found = FindProgram(program);
  if (found.empty()) return 0;
  compiler1 = KeepSetting(found);
  // The program's own name as argv[0]: clang++ and g++ choose their mode by it.
  std::string format = compiler2;
  size_t rest = format.find_first_of(" \t");
  compiler2 = KeepSetting(program + (rest == std::string::npos ? "" : format.substr(rest)));
  return 1;
}

void ResetSettings() {
  comp = GCC;
  ext2 = ext_src = ext_obj = ext_exe = nullptr;
  compiler1 = compiler2 = linker1 = linker2 = nullptr;
  compiler_flag = compiler_parms = linker_flag = linker_parms = 0;
  Kept.clear();
}
