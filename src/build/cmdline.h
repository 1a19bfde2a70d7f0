// Command lines of the build steps: choosing file extensions by flag bits,
// filling a format with the file names, and splitting it into words.
#pragma once
#include <string>
#include <vector>

// The command line: format filled with name1 and (if a second extension is chosen) name2;
// empty when the flags choose no first extension.
std::string execLine(const char *format, int flags, const char *ext_src, const char *ext_obj,
                     const char *ext_exe, const char *name1, const char *name2);
// The argument vector of the same command: the format's words, each "%s" in a word
// filled with a whole name, so that a name with blanks stays one argument; empty when the
// flags choose no first extension.
std::vector<std::string> execArgs(const char *format, int flags, const char *ext_src,
                                  const char *ext_obj, const char *ext_exe, const char *name1,
                                  const char *name2);
// name with its extension (after the last '.') replaced by ext, or ext added.
std::string FixExt(const std::string &name, const std::string &ext);
// The words of a command line, separated by blanks, tabs and newlines.
std::vector<std::string> breakLine(const std::string &line);
// The number of words of a command line.
int countArgs(const std::string &line);
