// Reading a whole file, for the files Vorn compares and hashes.
#pragma once
#include <cstdio>
#include <string>

// The whole of the file at path into text; false when it cannot be read.
inline bool ReadWholeFile(const std::string &path, std::string &text) {
  FILE *file = fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  text.clear();
  char chunk[65536];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
  bool ok = !ferror(file);
  fclose(file);
  return ok;
}

// 1 when the files at a and b hold the same bytes, read a piece at a time; 0 when
// they differ or one cannot be read.
inline int SameFileContents(const std::string &a, const std::string &b) {
  FILE *fa = fopen(a.c_str(), "rb"), *fb = fopen(b.c_str(), "rb");
  int same = fa != nullptr && fb != nullptr;
  static char pa[65536], pb[65536];
  while (same) {
    size_t na = fread(pa, 1, sizeof pa, fa), nb = fread(pb, 1, sizeof pb, fb);
    same = na == nb && std::char_traits<char>::compare(pa, pb, na) == 0 && !ferror(fa) && !ferror(fb);
    if (na == 0) break;
  }
  if (fa != nullptr) fclose(fa);
  if (fb != nullptr) fclose(fb);
  return same;
}
