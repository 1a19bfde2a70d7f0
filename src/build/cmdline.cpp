// Command lines of the build steps.
#include "build/cmdline.h"

#include <cstdio>

#include "build/settings.h"

static const char Separators[] = " \t\n";

// The extensions a flag value selects: the first for name1, the second for
// name2. The highest of SRC and OBJ that is set gives the first; the next
// lower set bit gives the second. A setting that holds null counts as none;
// false when there is no first extension.
static bool ChooseExtensions(int flags, const char *src, const char *obj, const char *exe,
                             const char **first, const char **second) {
  *first = *second = nullptr;
  if (flags & SRC) {
    *first = src;
    *second = (flags & OBJ) ? obj : (flags & EXE) ? exe : nullptr;
  } else if (flags & OBJ) {
    *first = obj;
    *second = (flags & EXE) ? exe : nullptr;
  }
  return *first != nullptr;
}

// The designed rule: the last '.' counts, even inside a folder's name.
std::string FixExt(const std::string &name, const std::string &ext) {
  size_t dot = name.rfind('.');
  if (dot == std::string::npos) return name + "." + ext;
  if (name.compare(dot + 1, std::string::npos, ext) == 0) return name;
  return name.substr(0, dot + 1) + ext;
}

// The names a command names, their extensions fixed.
static std::vector<std::string> StepNames(int flags, const char *ext_src, const char *ext_obj,
                                          const char *ext_exe, const char *name1,
                                          const char *name2) {
  const char *first, *second;
  if (!ChooseExtensions(flags, ext_src, ext_obj, ext_exe, &first, &second)) return {};
  std::vector<std::string> names{FixExt(name1, first)};
  if (second != nullptr) names.push_back(FixExt(name2, second));
  return names;
}

// Fills the "%s" conversions of text with the names in turn ("%%" stands for
// '%'); a conversion beyond the names gets the empty string.
static std::string Fill(const std::string &text, const std::vector<std::string> &names,
                        size_t &used) {
  std::string out;
  for (size_t i = 0; i < text.size(); i++) {
    if (text[i] == '%' && i + 1 < text.size() && (text[i + 1] == 's' || text[i + 1] == '%')) {
      if (text[i + 1] == '%')
        out += '%';
      else if (used < names.size())
        out += names[used++];
      else
        used++;
      i++;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string execLine(const char *format, int flags, const char *ext_src, const char *ext_obj,
                     const char *ext_exe, const char *name1, const char *name2) {
  std::vector<std::string> names = StepNames(flags, ext_src, ext_obj, ext_exe, name1, name2);
  size_t used = 0;
  return names.empty() ? "" : Fill(format, names, used);
}

std::vector<std::string> execArgs(const char *format, int flags, const char *ext_src,
                                  const char *ext_obj, const char *ext_exe, const char *name1,
                                  const char *name2) {
  std::vector<std::string> names = StepNames(flags, ext_src, ext_obj, ext_exe, name1, name2);
  if (names.empty()) return {};
  std::vector<std::string> words = breakLine(format);
  size_t used = 0;
  for (std::string &word : words) word = Fill(word, names, used);
  return words;
}

std::vector<std::string> breakLine(const std::string &line) {
  std::vector<std::string> words;
  size_t at = line.find_first_not_of(Separators);
  while (at != std::string::npos) {
    size_t end = line.find_first_of(Separators, at);
    words.push_back(line.substr(at, end == std::string::npos ? std::string::npos : end - at));
    at = end == std::string::npos ? end : line.find_first_not_of(Separators, end);
  }
  return words;
}

int countArgs(const std::string &line) { return static_cast<int>(breakLine(line).size()); }
