// The dependency file: a make rule that names every file a run read, for
// make, Ninja and CMake's DEPFILE.
#pragma once
#include <string>
#include <vector>

// Writes "target: prerequisites" and an empty rule for each include file and
// header to path, through a partial file of its own so that no half-written
// rule is left; 1 on success, 0 after reporting the failure.
int WriteDepfile(const std::string &path, const std::string &target,
                 const std::vector<std::string> &prerequisites, size_t firstInclude);
// name escaped for make: a blank, '#' and '$' would end or change the word.
std::string MakeEscaped(const std::string &name);
// The words of a make rule after its target (a compiler's -MD file):
// backslash-newline joins lines, a backslash before a blank keeps it in the word.
std::vector<std::string> RuleWords(const std::string &rule);
