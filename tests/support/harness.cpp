#include "harness.h"

#include <climits>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <utility>

#include "driver/run.h"
#include "generator/support.h"
#include "generator/codeform.h"
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

std::string MacroAfterSupport(const std::string &macro, bool compact) {
  if (!compact) return DropLines(macro, MacroPrologueLines);
  const std::string support = CompactSupportText(false) + "\n";
  return macro.compare(0, support.size(), support) == 0 ? macro.substr(support.size()) : macro;
}

std::string DropLines(const std::string &text, int n) {
  size_t at = 0;
  for (int i = 0; i < n && at != std::string::npos; i++) {
    at = text.find('\n', at);
    if (at != std::string::npos) at++;
  }
  return at == std::string::npos ? "" : text.substr(at);
}

// The segments of a file of text segments, by the offsets of its trailer.
static std::vector<std::string> ReadSegments(const std::string &file) {
  auto word = [&](size_t at) {
    unsigned long long value = 0;
    for (int i = 7; i >= 0; i--) value = value << 8 | static_cast<unsigned char>(file[at + i]);
    return value;
  };
  std::vector<std::string> segments;
  if (file.size() < 16) return segments;
  unsigned long long count = word(file.size() - 16), from = 0;
  size_t ends = file.size() - 16 - 8 * count;
  for (unsigned long long k = 0; k < count; k++) {
    unsigned long long end = word(ends + 8 * k);
    segments.push_back(file.substr(from, end - from));
    from = end;
  }
  return segments;
}

Generated Translate(const std::string &source, const std::vector<std::string> &words,
                    const std::string &name, bool compact, const std::vector<std::string> &dirs) {
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
  CompactForm = compact;
  IncludeDirs = dirs;
  FILE *input = fopen(name.c_str(), "r");
  PushBottom(input);
  Generated result;
  result.ok = TranslateInput(input, name.c_str(), (base + "_C.C").c_str(),
                             (base + "_M.mac").c_str(), (base + "_new.C").c_str());
  fclose(input);
  if (compact) result.segments = ReadSegments(ReadFile(base + "_C.dat"));
  ResetVorn();
  result.codeAll = ReadFile(base + "_C.C");
  result.macroAll = ReadFile(base + "_M.mac");
  result.code = DropLines(result.codeAll, CodePrologueLines);
  if (compact) {
    size_t main = result.codeAll.find("\n_vload(");
    result.code = main == std::string::npos ? "" : DropLines(result.codeAll.substr(main + 1), 1);
  }
  result.macro = MacroAfterSupport(result.macroAll, compact);
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

std::string WrittenFinal(const std::string &base) {
  const std::string final = base + "_new.C", exe = base + "_C.exe";
  if (access(final.c_str(), F_OK) == 0) return ReadFile(final);
  if (access(exe.c_str(), X_OK) != 0) return "<no file " + final + ">";
  // The failed run removed it; its generator program, which names the file
  // itself, writes it again, and it goes again once read.
  // The compact form's program takes the final source's name and its text segments.
  Shell("timeout -s KILL 60 ./" + exe + " " + final + " " + base + "_C.dat >/dev/null 2>&1");
  if (access(final.c_str(), F_OK) != 0) return "<no file " + final + ">";
  std::string text = ReadFile(final);
  std::remove(final.c_str());
  return text;
}

static std::string Quote(const std::string &arg) {
  std::string out = "'";
  for (char c : arg) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

RunResult RunVorn(const std::vector<std::string> &args, const std::string &input,
                  const std::string &output) {
  // Bounded in time (stopped, vorn stops the generator program's whole process
  // group) and in file size, above vorn's own default bound (sh counts blocks of 512 bytes).
  std::string command = "ulimit -f " + std::to_string(TestFileLimit / 512) + "; timeout -s TERM 300 " VORN_BIN;
  for (const std::string &arg : args) command += " " + Quote(arg);
  if (!input.empty()) WriteFile("run.in", input);
  command += " >" + output + " 2>run.err <" + std::string(input.empty() ? "/dev/null" : "run.in");
  RunResult result;
  result.status = Shell(command);
  result.out = output == "run.out" ? ReadFile("run.out") : "";
  result.err = ReadFile("run.err");
  return result;
}

// The file a marker "# N \"file\" flags" names.
static std::string MarkerFile(const std::string &marker) {
  size_t open = marker.find('"'), close = marker.rfind('"');
  return open == close ? "" : marker.substr(open + 1, close - open - 1);
}

// The numbered token lines of gcc -E output. A marker "# N \"file\" flags" numbers the line
// after it N (with named, "file:N"); every other line counts one. A line directive inside a
// macro's arguments makes gcc print one expansion as several lines of one number: they are
// joined again, by one blank.
static std::string NumberedLines(const std::string &output, bool named) {
  std::istringstream in(output);
  std::vector<std::pair<std::string, std::string>> lines;
  long line = 1;
  std::string file;
  for (std::string text; std::getline(in, text);) {
    bool marker = text.size() > 2 && text.compare(0, 2, "# ") == 0 &&
                  isdigit(static_cast<unsigned char>(text[2]));
    if (marker && named) file = MarkerFile(text) + ":";
    if (marker) {
      line = std::stol(text.substr(2));
      continue;
    }
    std::string place = file + std::to_string(line);
    size_t start = text.find_first_not_of(' ');
    std::string tokens = start == std::string::npos ? "" : text.substr(start);
    tokens.erase(tokens.find_last_not_of(' ') + 1);
    if (!tokens.empty() && !lines.empty() && lines.back().first == place)
      lines.back().second += " " + tokens;
    else if (!tokens.empty())
      lines.emplace_back(place, tokens);
    line++;
  }
  std::string numbered;
  for (const auto &[number, text] : lines) numbered += number + " " + text + "\n";
  return numbered;
}

std::string Preprocessed(const std::string &dir, const std::string &name,
                         const std::string &language, const std::string &quoteDir, bool named) {
  // __TIMESTAMP__ and __BASE_FILE__ name the file or its time, which differ between a file and
  // its final source; SOURCE_DATE_EPOCH fixes __DATE__ and __TIME__.
  std::string command = "cd " + Quote(dir) + " && SOURCE_DATE_EPOCH=0 " VORN_HOST_GCC " -E -w -x " +
                        language + " -U__TIMESTAMP__ -U__BASE_FILE__ " +
                        (quoteDir.empty() ? "" : "-iquote " + Quote(quoteDir) + " ") + Quote(name) +
                        " -o " + Quote(name + ".i") + " 2>/dev/null";
  int status = Shell(command);
  std::string lines = NumberedLines(ReadFile(dir + "/" + name + ".i"), named);
  return lines + "status " + std::to_string(status) + "\n";
}

// Standard error without the compiler's warnings and notes: they name lines
// and columns of the code file, which differ between the forms (gcc warns of
// a trigraph-like sequence in the default form's literal, and not in the
// compact form's, where each question mark is escaped).
std::string WithoutCompilerNotes(const std::string &err) {
  static const std::regex note(
      "^(In file included from .*|[^ ]+: In function .*|[^ ]+:[0-9]+:[0-9]+: (warning|note): .*|"
      " *[0-9]* \\|.*)$");
  std::istringstream lines(err);
  std::string kept;
  for (std::string line; std::getline(lines, line);)
    if (!std::regex_match(line, note)) kept += line + "\n";
  return kept;
}
