// Names that coincide.
//
// Checked before anything is written. A file that does not exist yet is
// compared by its folder's resolved path and its own name, so "./crc.C",
// "sub/../crc.C" and a link to the folder all meet "crc.C".
#include "driver/clash.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "driver/diagnostics.h"

// The path with its folder resolved; the name itself resolved too when it exists.
static std::string CanonicalPath(const std::string &name) {
  std::error_code err;
  std::filesystem::path path = std::filesystem::weakly_canonical(std::filesystem::absolute(name, err), err);
  return err ? name : path.string();
}

int SameFile(const std::string &a, const std::string &b) {
  struct stat sa, sb;
  if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0)
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
  return CanonicalPath(a) == CanonicalPath(b);
}

namespace {
struct Role {
  const char *what;
  const std::string *name;
};
}  // namespace

int NamesClash(const RunNames &names) {
  const Role roles[] = {{"the template", names.fromStdin ? nullptr : &names.input},
                        {"the code file", &names.code},
                        {"the macro file", &names.macro},
                        {"the executable", &names.exe},
                        {"the final source", &names.final},
                        {"the output", names.output == "-" ? nullptr : &names.output},
                        {"the dependency file", &names.depfile}};
  const size_t count = sizeof roles / sizeof roles[0];
  for (size_t i = 0; i < count; i++) {
    for (size_t j = i + 1; j < count; j++) {
      const std::string *a = roles[i].name, *b = roles[j].name;
      if (a == nullptr || b == nullptr || a->empty() || b->empty() || !SameFile(*a, *b)) continue;
      VornError(std::string(roles[i].what) + " \"" + *a + "\" and " + roles[j].what + " \"" + *b +
                "\" are the same file; nothing was written");
      return 1;
    }
  }
  return 0;
}
