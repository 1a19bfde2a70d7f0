#include "harness.h"

#include <climits>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "driver/run.h"
#include "generator/macro.h"
#include "scanner/input_stack.h"

TempDir::TempDir() {
  char buf[PATH_MAX];
  saved_ = getcwd(buf, sizeof buf) ? buf : ".";
  std::string pattern = "/tmp/vorn-test-XXXXXX";
  path = mkdtemp(pattern.data()) ? pattern : "";
  if (path.empty() || chdir(path.c_str()) != 0) abort();
}

TempDir::~TempDir() {
  if (chdir(saved_.c_str()) != 0) abort();
  std::string command = "rm -rf '" + path + "'";
  if (std::system(command.c_str()) != 0) abort();
}

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string &path, const std::string &content) {
  std::ofstream(path, std::ios::binary) << content;
}

std::string DropLines(const std::string &text, int n) {
  size_t at = 0;
  for (int i = 0; i < n && at != std::string::npos; i++) {
    at = text.find('\n', at);
    if (at != std::string::npos) at++;
  }
  return at == std::string::npos ? "" : text.substr(at);
}

Generated Translate(const std::string &source, const std::vector<std::string> &words,
                    const std::string &name) {
  static std::vector<std::string> argStore;
  static std::vector<char *> argv;
  ResetVorn();
  argStore = {"vorn", name};
  if (!words.empty()) argStore.push_back("-M");
  argStore.insert(argStore.end(), words.begin(), words.end());
  argv.clear();
  for (std::string &arg : argStore) argv.push_back(arg.data());
  argv.push_back(nullptr);
  saveArgv = argv.data();
  if (!words.empty()) {
    FirstArg = 2;
    ArgumentsNumber = static_cast<int>(words.size()) + 1;
  }
  WriteFile(name, source);
  std::string base = name.size() > 2 && name.substr(name.size() - 2) == ".C"
                         ? name.substr(0, name.size() - 2) : name;
  FILE *input = fopen(name.c_str(), "r");
  PushBottom(input);
  Generated result;
  result.ok = TranslateInput(input, name.c_str(), (base + "_C.C").c_str(),
                             (base + "_M.mac").c_str(), (base + "_new.C").c_str());
  fclose(input);
  ResetVorn();
  result.codeAll = ReadFile(base + "_C.C");
  result.macroAll = ReadFile(base + "_M.mac");
  result.code = DropLines(result.codeAll, CodePrologueLines);
  result.macro = DropLines(result.macroAll, MacroPrologueLines);
  return result;
}

int Shell(const std::string &command) {
  int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string BuildFinal(const std::string &base) {
  std::string gcc = std::string(VORN_HOST_GCC) + " " + base + "_C.C -o " + base + "_C.exe 2>gcc.err";
  if (Shell(gcc) != 0) return "<gcc failed>";
  if (Shell("./" + base + "_C.exe " + base + "_new.C") != 0) return "<run failed>";
  return ReadFile(base + "_new.C");
}

static std::string Quote(const std::string &arg) {
  std::string out = "'";
  for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

RunResult RunVorn(const std::vector<std::string> &args) {
  std::string command = VORN_BIN;
  for (const std::string &arg : args) command += " " + Quote(arg);
  command += " >run.out 2>run.err </dev/null";
  RunResult result;
  result.status = Shell(command);
  result.out = ReadFile("run.out");
  result.err = ReadFile("run.err");
  return result;
}
