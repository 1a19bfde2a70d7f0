// The prebuilt part of the support library.
//
// A part is four files in a support folder, named by a key made of the
// support library's text and the compile settings (the compiler's path, size
// and time among them): support-KEY.C, its source; support-KEY.o, the object;
// support-KEY.h and, for gcc, support-KEY.h.gch, the precompiled header; and
// support-KEY.sum, written last, which holds the object's hash and the
// precompiled header's size. A part whose sum does not hold is not used: a
// compiler updated in place has another key, and a part cut short by a
// stopped run has no sum, or one that does not match. gcc checks a
// precompiled header itself and reads the header's text when it does not fit.
#include "build/prebuilt.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "build/cache.h"
#include "build/cmdline.h"
#include "build/process.h"
#include "build/settings.h"
#include "build/steps.h"
#include "build/wholefile.h"
#include "driver/cleanup.h"
#include "driver/diagnostics.h"
#include "driver/names.h"
#include "driver/partial.h"
#include "generator/macro.h"
#include "generator/support.h"

std::string SupportObject;
std::string SupportHeader;
int PrebuiltAllowed = 1;

static bool PartHasPch = false;        // the part found last has a precompiled header
static bool PartLinksWithGold = false; // its compiler links with gold, which is faster for so small a program

// A compiler of gcc's family that compiles and links in one step; another
// setting keeps the whole library in the program.
static bool Prebuildable() {
  return CompilerTakesGccOptions() && comp != MSC && linker_flag == 0 &&
         compiler_flag == (SRC | EXE) && ext_src != nullptr && ext_exe != nullptr;
}

// The name a "#define" line of -D defines.
static std::string DefinedName(const std::string &define) {
  size_t at = define.find_first_not_of(" \t", define.find("define") + 6);
  size_t end = define.find_first_of(" \t(", at);
  return at == std::string::npos ? "" : define.substr(at, end == std::string::npos ? end : end - at);
}

// The part's file names in dir, without their extensions. The key is made once a run: the
// settings do not change within one.
static std::string PartKey;
static std::string PartBase(const std::string &dir) {
  if (PartKey.empty())
    PartKey = HashHex("vorn-support 1\n" + HashHex(SupportObjectText()) + "\n" + CompileSettingsText());
  return dir + "/support-" + PartKey;
}

// True when the part at base is whole: its sum holds for the object and the precompiled header.
static bool PartHolds(const std::string &base) {
  std::string sum, object;
  if (!ReadWholeFile(base + ".sum", sum) || sum.compare(0, 20, "vorn-support-part 1\n") != 0) return false;
  size_t end = sum.find('\n', 20);
  if (end == std::string::npos || !ReadWholeFile(base + ".o", object) ||
      HashHex(object) != sum.substr(20, end - 20))
    return false;
  size_t pchEnd = sum.find('\n', end + 1);
  if (pchEnd == std::string::npos) return false;
  std::string pch = sum.substr(end + 1, pchEnd - end - 1);
  PartLinksWithGold = sum.compare(pchEnd + 1, std::string::npos, "-fuse-ld=gold\n") == 0;
  struct stat st;
  PartHasPch = pch != "-" && stat((base + ".h.gch").c_str(), &st) == 0 &&
               std::to_string(st.st_size) == pch && access((base + ".h").c_str(), R_OK) == 0;
  return true;
}

// The folders where Vorn's build and installation put the parts: beside the
// executable (build/lib/vorn) and in the installation's lib/vorn.
static std::vector<std::string> BuiltFolders() {
  char self[4096];
  ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) return {};
  std::string folder = FolderOf(std::string(self, static_cast<size_t>(n)));
  return {folder + "/lib/vorn", folder + "/../lib/vorn"};
}

// The compile command of the part: the program's compile line with source and output
// replaced, the link words left out, and words added after the compiler's name.
static std::vector<std::string> PartCommand(const std::string &source, const std::string &output,
                                            const std::vector<std::string> &added) {
  const std::string code = FixExt(source, ext_src), exe = FixExt(output, ext_exe);
  std::vector<std::string> args;
  for (const std::string &word : execArgs(compiler2, compiler_flag, ext_src, ext_obj, ext_exe,
                                          code.c_str(), exe.c_str())) {
    if (word.compare(0, 2, "-l") == 0 || word.compare(0, 2, "-L") == 0 || word.compare(0, 4, "-Wl,") == 0)
      continue;
    args.push_back(word == code ? source : word == exe ? output : word);
  }
  args.insert(args.begin() + static_cast<long>(CompilerWordIndex(args)) + 1, added.begin(), added.end());
  return args;
}

// Moves the partial file of target into place, or removes it; true when it is in place.
static bool Settle(const std::string &partial, const std::string &target, bool made) {
  bool placed = made && rename(partial.c_str(), target.c_str()) == 0;
  if (!placed) remove(partial.c_str());
  ReleasePartial(partial);
  return placed;
}

// True when a program links with the object through gold: tried on a program of one line.
static bool LinksWithGold(const std::string &base) {
  const std::string source = base + "-try." + ext_src, exe = base + "-try";
  RemoveOnStop(source);
  RemoveOnStop(exe);
  bool links = WriteAtomically(source, "#include <stdio.h>\nFILE *stdcom;\nint main(void) { return 0; }\n") &&
               RunChild(compiler1, PartCommand(source, exe, {"-fuse-ld=gold", base + ".o"}), "", true) == 0;
  remove(source.c_str());
  remove(exe.c_str());
  KeepOnStop(exe);
  KeepOnStop(source);
  return links;
}

// Compiles the object and, for gcc, the precompiled header, side by side; true when the object
// is made. The sum is written last.
static bool MakePart(const std::string &dir, std::string &why) {
  std::error_code err;
  std::filesystem::create_directories(dir, err);
  const std::string base = PartBase(dir), source = base + "." + ext_src;
  if (!WriteAtomically(source, SupportObjectText()) || !WriteAtomically(base + ".h", SupportHeaderText())) {
    why = "cannot write in " + dir + ": " + strerror(errno);
    return false;
  }
  std::string object = CreatePartial(base + ".o"), pch;
  bool withPch = CompilerName().find("clang") == std::string::npos;
  if (withPch) pch = CreatePartial(base + ".h.gch");
  if (object.empty() || (withPch && pch.empty())) {
    why = "cannot write in " + dir + ": " + strerror(errno);
    if (!object.empty()) Settle(object, base + ".o", false);
    return false;
  }
  int side = withPch ? StartSideChild(compiler1, PartCommand(base + ".h", pch, {"-x", "c++-header", "-D_vlinked"}))
                     : -1;
  int status = RunChild(compiler1, PartCommand(source, object, {"-c"}), "", true);
  bool pchMade = side >= 0 && WaitSideChild(side) == 0;
  bool objectMade = Settle(object, base + ".o", status == 0);
  if (withPch) pchMade = Settle(pch, base + ".h.gch", pchMade && objectMade);
  struct stat st;
  std::string pchSize = pchMade && stat((base + ".h.gch").c_str(), &st) == 0 ? std::to_string(st.st_size) : "-";
  std::string bytes;
  if (!objectMade || !ReadWholeFile(base + ".o", bytes)) {
    why = "compiling " + source + " failed";
    return false;
  }
  std::string link = LinksWithGold(base) ? "-fuse-ld=gold\n" : "-\n";
  if (!WriteAtomically(base + ".sum", "vorn-support-part 1\n" + HashHex(bytes) + "\n" + pchSize + "\n" + link)) {
    why = "cannot write in " + dir + ": " + strerror(errno);
    return false;
  }
  return true;
}

bool UsePrebuiltSupport(std::vector<std::string> &extras) {
  ResetPrebuiltSupport();
  if (!PrebuiltAllowed || !Prebuildable()) return false;
  for (const std::string &define : Defines)
    if (NamesSupport(DefinedName(define))) return false;
  std::string found, why;
  for (const std::string &folder : BuiltFolders())
    if (found.empty() && PartHolds(PartBase(folder))) found = PartBase(folder);
  // Another compiler or other options: made once, where the cache keeps it.
  const std::string made = CacheDir + "/support";
  if (found.empty() && !CacheDir.empty() && (PartHolds(PartBase(made)) || (MakePart(made, why) && PartHolds(PartBase(made)))))
    found = PartBase(made);
  if (found.empty()) return false;
  SupportObject = found + ".o";
  extras.push_back(std::string("-D") + SupportLinkedMacro);
  extras.push_back("-pipe");
  if (PartLinksWithGold) extras.push_back("-fuse-ld=gold");
  // A -D comes before the system headers in the program's text; the
  // precompiled header would put them first.
  if (PartHasPch && Defines.empty()) {
    SupportHeader = found + ".h";
    extras.insert(extras.end(), {"-include", SupportHeader});
  }
  return true;
}

int MakeSupport(const std::string &dir) {
  if (!Prebuildable()) {
    VornError("--make-support needs a compiler of gcc's family that compiles and links in one step");
    return 1;
  }
  std::string why;
  if (!MakePart(dir, why) || !PartHolds(PartBase(dir))) {
    VornError("cannot make the support part: " + why);
    return 1;
  }
  if (!Quiet) printf("%s.o\n", PartBase(dir).c_str());
  return 0;
}

void ResetPrebuiltSupport() {
  SupportObject.clear();
  SupportHeader.clear();
  PartHasPch = false;
  PartLinksWithGold = false;
  PartKey.clear();
}
