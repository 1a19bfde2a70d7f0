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
#include <set>

#include "driver/diagnostics.h"

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
  if (!name.empty() && name[0] == '/') return name;
  char *cwd = getcwd(nullptr, 0);
  std::string path = cwd != nullptr ? std::string(cwd) + "/" + name : name;
  free(cwd);
  return path;
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
  std::string rule = RuleText(target, prerequisites, firstInclude);
  std::string temporary = path + ".tmp";
  FILE *file = fopen(temporary.c_str(), "w");
  bool ok = file != nullptr && fwrite(rule.data(), 1, rule.size(), file) == rule.size();
  if (file != nullptr && fclose(file) != 0) ok = false;
  if (ok && rename(temporary.c_str(), path.c_str()) == 0) return 1;
  int err = errno;
  remove(temporary.c_str());
  VornError("cannot write the dependency file " + path + ": " + strerror(err));
  return 0;
}
