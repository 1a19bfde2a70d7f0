// Reading a whole file, for the files Vorn compares and hashes.
#pragma once
#include <fstream>
#include <sstream>
#include <string>

// The whole of the file at path into text; false when it cannot be read.
inline bool ReadWholeFile(const std::string &path, std::string &text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  text = all.str();
  return !in.bad();
}
