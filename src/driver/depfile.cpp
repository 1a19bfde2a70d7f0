// The dependency file.
//
// Prerequisites are written as absolute paths: Vorn often runs in the
// template's folder (so that includes resolve there), while make and Ninja
// read the rule from their own. The target is the final source as named on
// the command line, which is the name the build gave it.
#include "driver/depfile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "driver/diagnostics.h"
#include "driver/partial.h"

std::string MakeEscaped(const std::string &name) {
  std::string out;
  for (char c : name) {
    if (c == ' ' || c == '\t' || c == '#') out += '\\';
    if (c == '$') out += '$';
    out += c;
  }
  return out;
}

static std::string Absolute(const std::string &name) {
  std::error_code err;
  std::filesystem::path path = std::filesystem::absolute(name, err);
  return err ? name : path.string();
}

static std::string RuleText(const std::string &target, const std::vector<std::string> &prerequisites,
                            size_t firstInclude) {
  std::string rule = MakeEscaped(target) + ":";
  std::set<std::string> seen;
  std::vector<std::string> includes;
  for (size_t i = 0; i < prerequisites.size(); i++) {
    std::string path = MakeEscaped(Absolute(prerequisites[i]));
    if (!seen.insert(path).second) continue;
    rule += " \\\n  " + path;
    if (i >= firstInclude) includes.push_back(path);
  }
  rule += "\n";
  // An empty rule for each include, so that a deleted include file does not
  // stop the build before Vorn runs again.
  for (const std::string &path : includes) rule += "\n" + path + ":\n";
  return rule;
}

int WriteDepfile(const std::string &path, const std::string &target,
                 const std::vector<std::string> &prerequisites, size_t firstInclude) {
  if (WriteAtomically(path, RuleText(target, prerequisites, firstInclude))) return 1;
  VornError("cannot write the dependency file " + path + ": " + strerror(errno));
  return 0;
}

std::vector<std::string> RuleWords(const std::string &rule) {
  std::vector<std::string> words;
  std::string word;
  bool target = true;
  for (size_t i = 0; i < rule.size(); i++) {
    char c = rule[i];
    if (c == '\\' && i + 1 < rule.size() && strchr("\n \t#", rule[i + 1]) != nullptr) {
      if (rule[++i] != '\n') word += rule[i];
      continue;
    }
    if (c == '$' && i + 1 < rule.size() && rule[i + 1] == '$') i++;  // make's "$$" is one '$'

    if (c != ' ' && c != '\n' && c != '\t') {
      word += c;
      continue;
    }
    if (!word.empty() && !target) words.push_back(word);
    if (!word.empty() && word.back() == ':') target = false;
    word.clear();
  }
  if (!word.empty() && !target) words.push_back(word);
  return words;
}
