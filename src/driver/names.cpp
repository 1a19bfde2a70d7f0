// The names of a run's files.
#include "driver/names.h"

#include <filesystem>

#include "build/settings.h"

namespace fs = std::filesystem;

std::string FolderOf(const std::string &path) {
  std::string folder = fs::path(path).parent_path();
  return folder.empty() ? "." : folder;
}

std::string BaseName(const std::string &path) { return fs::path(path).filename(); }

std::string InputOption(const std::string &arg) {
  std::string value = arg.substr(2);
  return arg[arg.size() - 2] == '.' ? value : value + ".C";
}

// name less a final ".C"; no other extension counts (a.c gives a.c_C.C).
static std::string LessDotC(std::string name) {
  if (name.size() >= 2 && name.compare(name.size() - 2, 2, ".C") == 0) name.resize(name.size() - 2);
  return name;
}

std::string TemplateBase(const RunNames &names, bool withFolder) {
  if (names.fromStdin) return "stdin";
  return LessDotC(withFolder ? names.input : BaseName(names.input));
}

// The designed names of the intermediate files that no option named, from base.
static void NameFrom(RunNames &names, const std::string &base) {
  if (names.code.empty()) {
    names.code = base + ext2;
    names.macro = base + "_M.mac";
  }
  if (names.exe.empty()) names.exe = base + "_C.exe";
}

void DeriveNames(RunNames &names) {
  std::string base = TemplateBase(names, true);
  NameFrom(names, base);
  if (names.final.empty()) names.final = base + "_new.C";
}

void NameTemps(RunNames &names, const std::string &folder) {
  NameFrom(names, folder + "/" + TemplateBase(names, false));
}

void PlaceTemps(RunNames &names) {
  if (!names.tempsDir.empty()) return NameTemps(names, names.tempsDir);
  if (names.saveTemps && !names.output.empty()) NameTemps(names, FolderOf(names.input));
}

std::string MacroIncludeName(const std::string &code, const std::string &macro) {
  fs::path folder = fs::path(macro).parent_path();
  if (folder == fs::path(code).parent_path()) return fs::path(macro).filename();
  if (macro.empty() || macro[0] == '/') return macro;
  // Different folders: only a path that does not depend on where the
  // compiler looks will do.
  std::error_code err;
  fs::path absolute = fs::absolute(macro, err);
  return err ? macro : absolute.string();
}

std::string SegmentsNameFor(const std::string &code) {
  return fs::path(code).replace_extension(".dat");
}
