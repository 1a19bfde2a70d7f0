// Round trip over real C and C++ files: a file without macro constructs must
// come back from vorn byte for byte, apart from the "#line" lines vorn inserts
// and the deliberate rewrite of a raw tab or newline inside a string literal
// (counted apart). Each file is tried as it is and converted to CRLF.
//
// The final source must also preprocess like the original: "gcc -E" of both
// gives the same tokens on the same line numbers, whichever conditional
// groups the compiler skips. The file names of the line markers aside, a
// directive that was ignored in a skipped group would show here as lines out
// of step.
//
//   vorn_corpus --vorn build/vorn [--sample N] [--jobs J] [--compact 1]
//
// Without --sample every file found is tried (the full run). With --compact 1
// each file is run a second time with --compact, in a folder of its own, and
// must give the same final source, macro file (after the support library, which
// differs by design), standard output, exit status
// and standard error as the default form.
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

namespace fs = std::filesystem;

static std::string Read(const fs::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

static bool IsSource(const fs::path &path) {
  static const char *const endings[] = {".h", ".hh", ".hpp", ".hxx", ".c", ".cc", ".cpp", ".cxx", ".tcc"};
  std::string ext = path.extension().string();
  return std::find(std::begin(endings), std::end(endings), ext) != std::end(endings);
}

// Files holding "##" or '$' and a digit use the macro language's own syntax.
static bool HasConstructs(const std::string &text) {
  if (text.find("##") != std::string::npos) return true;
  for (size_t at = text.find('$'); at != std::string::npos; at = text.find('$', at + 1))
    if (at + 1 < text.size() && isdigit(static_cast<unsigned char>(text[at + 1]))) return true;
  return false;
}

static std::vector<fs::path> FindCorpus() {
  std::vector<fs::path> found;
  for (const char *root : {"/usr/include", "/usr/src", "/usr/share"}) {
    std::error_code ec;
    fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
      if (!it->is_regular_file(ec) || it->is_symlink(ec) || !IsSource(it->path())) continue;
      if (it->file_size(ec) > (4u << 20)) continue;
      found.push_back(it->path());
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

static std::string ToCrlf(const std::string &text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// The final source without the directive lines vorn wrote for f.C (which end in CR LF in a
// CR LF file).
static std::string StripDirectives(const std::string &text) {
  static const std::regex directive("#line [0-9]+ \"f\\.C\"\r?");
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    size_t next = end == std::string::npos ? text.size() : end + 1;
    std::string line = text.substr(at, (end == std::string::npos ? text.size() : end) - at);
    if (end == std::string::npos || !std::regex_match(line, directive)) out.append(text, at, next - at);
    at = next;
  }
  return out;
}

enum Outcome { Identical, Rewritten, Different, Failed };

// Identical, or different only where a raw tab or newline of the original
// stands as the two characters \t or \n.
static Outcome Compare(const std::string &original, const std::string &final) {
  if (original == final) return Identical;
  size_t i = 0, j = 0;
  while (i < original.size() && j < final.size()) {
    if (original[i] == final[j]) {
      i++, j++;
    } else if (final[j] == '\\' && j + 1 < final.size() &&
               ((original[i] == '\t' && final[j + 1] == 't') ||
                (original[i] == '\n' && final[j + 1] == 'n'))) {
      i++, j += 2;
    } else {
      return Different;
    }
  }
  return i == original.size() && j == final.size() ? Rewritten : Different;
}

static std::string TabsWritten(std::string text) {
  for (size_t at = 0; (at = text.find('\t', at)) != std::string::npos; at += 2)
    text.replace(at, 1, "\\t");
  return text;
}

// gcc -E of the final source against gcc -E of the original, both beside each other so that
// quoted includes are found alike (and in the original's own directory). A final source that
// writes a raw tab of a string literal as \t may differ by that alone.
static bool PreprocessAlike(const fs::path &dir, const fs::path &original, Outcome outcome) {
  std::string ext = original.extension().string();
  std::string language = ext == ".c" || ext == ".h" ? "c" : "c++";
  std::string quoteDir = original.parent_path().string();
  std::string before = Preprocessed(dir.string(), "f.C", language, quoteDir);
  std::string after = Preprocessed(dir.string(), "f_new.C", language, quoteDir);
  return before == after || (outcome == Rewritten && TabsWritten(before) == TabsWritten(after));
}

// What one run of vorn on f.C wrote and said.
struct Run {
  int status = -1;
  std::string final, macro, out, err;
  bool compiled = false;  // gcc built the generator program
};

static Run RunVorn(const std::string &vorn, const fs::path &dir, const std::string &text,
                   const std::string &options) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  std::ofstream(dir / "f.C", std::ios::binary) << text;
  std::string command =
      "cd '" + dir.string() + "' && '" + vorn + "' " + options + "f.C >run.out 2>run.err </dev/null";
  int status = std::system(command.c_str());
  Run run;
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.final = fs::exists(dir / "f_new.C") ? Read(dir / "f_new.C") : "<none>";
  run.macro = fs::exists(dir / "f_M.mac") ? Read(dir / "f_M.mac") : "<none>";
  run.out = Read(dir / "run.out");
  run.err = Read(dir / "run.err");
  run.compiled = fs::exists(dir / "f_C.exe");
  return run;
}

// What the compact form's run does otherwise than the default form's, or "".
// The compiler's own messages name lines of the code file, so standard error
// counts only where the default form compiled, and without its warnings.
static std::string CompactDiffers(const Run &plain, const Run &compact) {
  std::string said;
  if (compact.final != plain.final) said += " final source,";
  if (MacroAfterSupport(compact.macro, true) != MacroAfterSupport(plain.macro, false)) said += " macro file,";
  if (compact.out != plain.out) said += " standard output,";
  if (compact.status != plain.status) said += " exit status,";
  if (plain.compiled && WithoutCompilerNotes(compact.err) != WithoutCompilerNotes(plain.err))
    said += " standard error,";
  if (!said.empty()) said.pop_back();
  return said;
}

static Outcome TryOne(const Run &run, const std::string &text) {
  if (run.status != 0) return Failed;
  return Compare(text, StripDirectives(run.final));
}

struct Tally {
  std::atomic<int> counts[2][4] = {};  // [crlf][outcome]
  std::atomic<int> unalike[2] = {};    // [crlf]: gcc -E of the final source differs
  std::atomic<int> failedRuns{0};      // runs with any fault
  std::mutex lock;
  std::vector<std::string> faults;     // files that differ or failed
  std::vector<std::string> rewritten;  // files that differ only by the deliberate rewrite
  std::atomic<int> compared{0};        // runs compared with --compact
};

int main(int argc, char **argv) {
  std::string vorn = "build/vorn";
  size_t sample = 0, jobs = 2;
  bool compact = false;
  for (int i = 1; i + 1 < argc; i += 2) {
    std::string opt = argv[i];
    if (opt == "--vorn") vorn = fs::absolute(argv[i + 1]).string();
    if (opt == "--sample") sample = std::stoul(argv[i + 1]);
    if (opt == "--jobs") jobs = std::max<size_t>(1, std::stoul(argv[i + 1]));
    if (opt == "--compact") compact = std::string(argv[i + 1]) != "0";
  }
  std::vector<fs::path> all = FindCorpus(), corpus;
  for (const fs::path &path : all)
    if (!HasConstructs(Read(path))) corpus.push_back(path);
  size_t eligible = corpus.size();
  if (sample > 0 && sample < corpus.size()) {
    std::vector<fs::path> picked;
    for (size_t k = 0; k < sample; k++) picked.push_back(corpus[k * corpus.size() / sample]);
    corpus.swap(picked);
  }
  printf("corpus: %zu source files found, %zu without macro constructs, %zu tried\n", all.size(),
         eligible, corpus.size());
  if (corpus.empty()) {
    printf("no corpus files on this machine: nothing to check\n");
    return 0;
  }
  Tally tally;
  std::atomic<size_t> next{0};
  fs::path scratch = fs::temp_directory_path() / ("vorn-corpus-" + std::to_string(getpid()));
  auto worker = [&](size_t id) {
    fs::path dir = scratch / std::to_string(id), compactDir = scratch / (std::to_string(id) + "c");
    for (size_t k; (k = next++) < corpus.size();) {
      std::string text = Read(corpus[k]);
      for (int crlf = 0; crlf < 2; crlf++) {
        const std::string input = crlf ? ToCrlf(text) : text;
        const Run plain = RunVorn(vorn, dir, input, "");
        Outcome outcome = TryOne(plain, input);
        bool alike = outcome != Failed && PreprocessAlike(dir, corpus[k], outcome);
        tally.counts[crlf][outcome]++;
        if (!alike || outcome == Different || outcome == Failed) tally.failedRuns++;
        if (!alike && outcome != Failed) {
          tally.unalike[crlf]++;
          std::lock_guard<std::mutex> hold(tally.lock);
          tally.faults.push_back(corpus[k].string() + (crlf ? " (CRLF)" : "") +
                                 ": gcc -E of the final source differs");
        }
        static const char *const said[] = {"", ": \\t or \\n in a string literal", ": differs",
                                            ": vorn failed"};
        const std::string name = corpus[k].string() + (crlf ? " (CRLF)" : "");
        if (outcome != Identical) {
          std::lock_guard<std::mutex> hold(tally.lock);
          (outcome == Rewritten ? tally.rewritten : tally.faults).push_back(name + said[outcome]);
        }
        if (!compact) continue;
        const std::string differs = CompactDiffers(plain, RunVorn(vorn, compactDir, input, "--compact "));
        tally.compared++;
        if (!differs.empty()) {
          tally.failedRuns++;
          std::lock_guard<std::mutex> hold(tally.lock);
          tally.faults.push_back(name + ": --compact differs in" + differs);
        }
      }
    }
  };
  std::vector<std::thread> threads;
  for (size_t id = 0; id < jobs; id++) threads.emplace_back(worker, id);
  for (std::thread &t : threads) t.join();
  fs::remove_all(scratch);
  for (int crlf = 0; crlf < 2; crlf++)
    printf("%s: %d identical, %d identical but for \\t or \\n in string literals, %d different, "
           "%d failed; gcc -E differs for %d\n", crlf ? "CRLF" : "as is",
           tally.counts[crlf][Identical].load(), tally.counts[crlf][Rewritten].load(),
           tally.counts[crlf][Different].load(), tally.counts[crlf][Failed].load(),
           tally.unalike[crlf].load());
  if (compact) printf("--compact: %d runs compared with the default form\n", tally.compared.load());
  for (const std::string &note : tally.rewritten) printf("  %s\n", note.c_str());
  for (const std::string &fault : tally.faults) printf("  %s\n", fault.c_str());
  int failed = tally.failedRuns.load();
  const int checks = static_cast<int>(2 * corpus.size()) * (compact ? 2 : 1);
  printf("%d passed, %d failed\n", checks - failed, failed);
  return failed == 0 ? 0 : 1;
}
