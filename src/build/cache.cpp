// The cache of compiled generator programs.
//
// DIR holds two files an entry, KEY.exe and KEY.mf, each written through a
// partial file and renamed (WriteAtomically), the program first: a run that reads a manifest
// whose program is not yet (or no longer) the one it names sees a hash that
// does not match, and compiles. The manifest's time stamp is renewed on each
// hit, so the oldest by it are the least recently used.
#include "build/cache.h"

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "build/prebuilt.h"
#include "build/settings.h"
#include "build/wholefile.h"
#include "driver/cleanup.h"
#include "driver/names.h"
#include "driver/partial.h"
#include "generator/linedir.h"

std::string CacheDir;

static std::string PendingKey;   // the key of the last lookup; empty when the program may not be kept
static std::string PendingLines; // the same key with the "#line" numbers left out
static std::string PendingCode, PendingMacro; // the code file and macro file of the last lookup
static std::vector<std::string> HitHeaders; // the headers of the entry last found

// A program whose text names the time of its compile (or the path of its
// code file, which lies in a private folder of one run) would print what
// that one compile saw on every later run: it is never kept nor reused.
static bool NamesItsCompile(const std::string &text) {
  for (const char *macro : {"__DATE__", "__TIME__", "__TIMESTAMP__", "__BASE_FILE__"})
    if (text.find(macro) != std::string::npos) return true;
  return false;
}

// Two chains over the bytes, eight at a time: FNV-1a over words and a
// multiply-xorshift mix, each seeded differently, so that a collision of
// one is no collision of the other.
std::string HashHex(const std::string &bytes) {
  unsigned long long fnv = 1469598103934665603ull, mix = 0x9E3779B97F4A7C15ull ^ bytes.size();
  size_t at = 0;
  auto step = [&](unsigned long long word) {
    fnv = (fnv ^ word) * 1099511628211ull;
    mix = (mix ^ word) * 0xFF51AFD7ED558CCDull;
    mix ^= mix >> 29;
  };
  for (; at + 8 <= bytes.size(); at += 8) {
    unsigned long long word;
    memcpy(&word, bytes.data() + at, 8);
    step(word);
  }
  for (; at < bytes.size(); at++) step(static_cast<unsigned char>(bytes[at]));
  fnv ^= fnv >> 32;
  char text[33];
  snprintf(text, sizeof text, "%016llx%016llx", fnv, mix);
  return text;
}


// A program's identity: its path, size and modification time.
static std::string Identity(const char *program) {
  struct stat st;
  if (program == nullptr || stat(program, &st) != 0) return std::string("-") + (program ? program : "");
  return std::string(program) + " " + std::to_string(st.st_size) + " " +
         std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
}

static std::string Setting(const char *value) { return value != nullptr ? value : "(none)"; }

// The text with the number of each "#line" line left out, and the blanks
// that begin each line, which put code at its template column.
static std::string WithoutLineNumbers(const std::string &text) {
  std::string out;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    end = end == std::string::npos ? text.size() : end + 1;
    while (at < end && (text[at] == ' ' || text[at] == '\t')) at++;
    if (text.compare(at, 6, "#line ") == 0) {
      size_t quote = text.find('"', at);
      out += quote < end ? "#line " + text.substr(quote, end - quote) : std::string("#line\n");
    } else {
      out.append(text, at, end - at);
    }
    at = end;
  }
  return out;
}

// A word of the compile line as the prefix maps write it; a folder (-iquote's)
// is mapped as the names of the files in it would be.
static std::string MappedWord(const std::string &word) {
  if (word.empty() || word.back() == '/') return MappedName(word);
  std::string mapped = MappedName(word + "/");
  return mapped.empty() ? "." : mapped.back() == '/' ? mapped.substr(0, mapped.size() - 1) : mapped;
}

// What the key is made of, besides the headers; without line numbers when blind.
// timed is set when the code names its compile (NamesItsCompile).
std::string CompileSettingsText() {
  std::string text;
  for (const char *value : {compiler1, compiler2, linker1, linker2, ext_src, ext_obj, ext_exe})
    text += Setting(value) + "\n";
  text += std::to_string(compiler_flag) + " " + std::to_string(linker_flag) + "\n";
  text += Identity(compiler1) + "\n" + Identity(linker1) + "\n";
  // The compiler's own variables change where it looks and what it links.
  for (const char *name : {"CPATH", "C_INCLUDE_PATH", "CPLUS_INCLUDE_PATH", "GCC_EXEC_PREFIX",
                           "COMPILER_PATH", "LIBRARY_PATH"}) {
    const char *value = getenv(name);
    text += std::string(name) + "=" + (value != nullptr ? value : "(unset)") + "\n";
  }
  return text;
}

static std::string KeyText(const std::string &code, const std::string &macro,
                           const std::vector<std::string> &extras, bool *timed, bool blind = false) {
  std::string text = "vorn-cache 2\n" + CompileSettingsText();
  // Names as the prefix maps write them, so that checkouts at other paths share
  // entries; the support part's header by its name alone, which holds its key.
  for (const std::string &word : extras)
    text += (!SupportHeader.empty() && word == SupportHeader ? BaseName(word) : MappedWord(word)) + "\n";
  std::string bytes;
  for (const std::string *file : {&code, &macro}) {
    bool read = ReadWholeFile(*file, bytes);
    if (read && NamesItsCompile(bytes)) *timed = true;
    text += (read ? HashHex(blind ? WithoutLineNumbers(bytes) : bytes) : "-") + "\n";
  }
  return text;
}

static std::string EntryPath(const std::string &key, const char *suffix) {
  return CacheDir + "/" + key + suffix;
}

// What a file's inode says of it: device, inode, size, and the times of its
// last change of content and of inode. A file written since it was hashed
// has another change time, whatever its modification time was set to.
static std::string FileState(const std::string &path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return "-";
  char text[160];
  snprintf(text, sizeof text, "%llx.%llx.%llx.%lld.%ld.%lld.%ld", (unsigned long long)st.st_dev,
           (unsigned long long)st.st_ino, (unsigned long long)st.st_size, (long long)st.st_mtim.tv_sec,
           st.st_mtim.tv_nsec, (long long)st.st_ctim.tv_sec, st.st_ctim.tv_nsec);
  return text;
}

// A header's path as a manifest keeps it: "=NEW<tab>REST" when a prefix map
// turns its OLD into NEW, so that a run in another checkout, whose map has the
// same NEW, checks its own copy of the header; the path itself otherwise.
static std::string KeptPath(const std::string &path) {
  const auto *map = PrefixMapOf(path);
  return map != nullptr ? "=" + map->second + "\t" + path.substr(map->first.size()) : path;
}

// The header a kept path names in this run: through the last map with that NEW.
static std::string FoundPath(const std::string &kept) {
  size_t tab = kept.find('\t');
  if (kept.empty() || kept[0] != '=' || tab == std::string::npos) return kept;
  const std::string to = kept.substr(1, tab - 1), rest = kept.substr(tab + 1);
  for (auto map = FilePrefixMaps.rbegin(); map != FilePrefixMaps.rend(); ++map)
    if (map->second == to) return map->first + rest;
  return to + rest;
}

// True when every line of the manifest still holds: each header's hash, and
// the program's. A header whose inode says it is untouched since it was
// hashed is not read again; the program is always read whole.
static bool ManifestHolds(const std::string &manifest, const std::string &exe) {
  std::istringstream lines(manifest);
  std::string line, bytes;
  if (!std::getline(lines, line) || line != "vorn-cache-entry 3") return false;
  bool program = false;
  HitHeaders.clear();
  while (std::getline(lines, line)) {
    size_t state = line.find(' ', 33);
    if (line.size() < 34 || line[32] != ' ' || state == std::string::npos) return false;
    std::string path = line.substr(state + 1);
    if (path != "@program") path = FoundPath(path);
    if (path == "@program") program = true;
    else HitHeaders.push_back(path);
    if (path != "@program" && line.compare(33, state - 33, FileState(path)) == 0) continue;
    if (!ReadWholeFile(path == "@program" ? exe : path, bytes) || HashHex(bytes) != line.substr(0, 32))
      return false;
  }
  return program;
}

// The program of entry key when its manifest still holds; empty otherwise.
static std::string CheckedEntry(const std::string &key) {
  std::string manifest, exe = EntryPath(key, ".exe");
  if (!ReadWholeFile(EntryPath(key, ".mf"), manifest) || !ManifestHolds(manifest, exe)) return "";
  utime(EntryPath(key, ".mf").c_str(), nullptr);
  return exe;
}

std::string CachedProgram(const std::string &code, const std::string &macro,
                          const std::vector<std::string> &extras) {
  bool timed = false;
  PendingCode = code;
  PendingMacro = macro;
  PendingKey = HashHex(KeyText(code, macro, extras, &timed));
  PendingLines = HashHex(KeyText(code, macro, extras, &timed, true));
  if (timed) PendingKey.clear(), PendingLines.clear();
  return timed ? "" : CheckedEntry(PendingKey);
}

const std::vector<std::string> &CachedHeaders() { return HitHeaders; }

// A "lines" file: the key of an entry made from the same code with other
// "#line" numbers, and the hash of that compile's token stream, or "-" while
// none was made (its code and macro file are then kept beside the entry).
static bool LineEntry(std::string &key, std::string &tokens) {
  std::string line;
  if (!ReadWholeFile(EntryPath(PendingLines, ".lines"), line) || line.size() < 35 || line[32] != ' ') return false;
  key = line.substr(0, 32);
  tokens = line.substr(33, line.find('\n', 33) - 33);  // npos - 33 still takes the rest
  return tokens.size() == 32 || tokens == "-";
}

std::string LineShiftedTokens() {
  std::string key, tokens;
  return LineEntry(key, tokens) ? tokens : "";
}

// The kept sources of an entry: each file's name, a newline, its size, a newline, its bytes.
static std::string PackSources() {
  std::string packed, bytes;
  for (const std::string *file : {&PendingCode, &PendingMacro}) {
    if (!ReadWholeFile(*file, bytes)) return "";
    packed += BaseName(*file) + "\n" + std::to_string(bytes.size()) + "\n" + bytes;
  }
  return packed;
}

std::vector<std::string> LineShiftedSources(const std::string &folder) {
  std::string key, tokens, packed;
  std::vector<std::string> written;
  if (!LineEntry(key, tokens) || !ReadWholeFile(EntryPath(key, ".src"), packed)) return written;
  size_t at = 0;
  for (int file = 0; file < 2; file++) {
    size_t name = packed.find('\n', at), size = packed.find('\n', name + 1);
    if (name == std::string::npos || size == std::string::npos) return {};
    std::string path = folder + "/" + packed.substr(at, name - at);
    unsigned long long bytes = std::strtoull(packed.c_str() + name + 1, nullptr, 10);
    if (path.find('/', folder.size() + 1) != std::string::npos || bytes > packed.size() - size - 1) return {};
    RemoveOnStop(path);
    written.push_back(path);
    if (!WriteAtomically(path, std::string_view(packed).substr(size + 1, bytes))) return {};
    at = size + 1 + bytes;
  }
  return written;
}

void NoteLineShiftedTokens(const std::string &tokens) {
  std::string key, stored;
  if (tokens.size() == 32 && LineEntry(key, stored) && stored == "-")
    WriteAtomically(EntryPath(PendingLines, ".lines"), key + " " + tokens + "\n", 0644);
}

std::string LineShiftedProgram(const std::string &tokens) {
  std::string key, stored;
  if (tokens.empty() || !LineEntry(key, stored) || stored != tokens) return "";
  return CheckedEntry(key);
}

// Removes the least recently used entries while DIR holds more than CacheLimit.
static void Trim() {
  namespace fs = std::filesystem;
  std::error_code err;
  std::vector<std::pair<fs::file_time_type, std::string>> entries;
  unsigned long long total = 0;
  for (const fs::directory_entry &entry : fs::directory_iterator(CacheDir, err)) {
    total += entry.is_regular_file(err) ? entry.file_size(err) : 0;
    std::string name = entry.path().string();
    for (const std::string suffix : {".mf", ".lines"})
      if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        entries.push_back({entry.last_write_time(err), name.substr(0, name.size() - suffix.size())});
  }
  std::sort(entries.begin(), entries.end());
  for (size_t i = 0; total > CacheLimit && i < entries.size(); i++) {
    for (const char *suffix : {".mf", ".exe", ".lines", ".src"}) {
      std::uintmax_t size = fs::file_size(entries[i].second + suffix, err);
      if (fs::remove(entries[i].second + suffix, err)) total -= err ? 0 : size;
    }
  }
}

void StoreProgram(const std::string &exe, const std::vector<std::string> &headers,
                  const std::string &tokens) {
  std::string program, bytes;
  if (PendingKey.empty() || !ReadWholeFile(exe, program)) return;
  std::string manifest = "vorn-cache-entry 3\n";
  for (const std::string &path : headers) {
    // The state before the read: a write after it changes the state, and the
    // hash decides. File times tick in steps of milliseconds, so a file
    // written in the last seconds could be written again with the same state:
    // it is hashed every time ("new" matches no state).
    struct stat st;
    bool recent = stat(path.c_str(), &st) == 0 && st.st_ctim.tv_sec + 2 >= time(nullptr);
    std::string state = recent ? "new" : FileState(path);
    // A header that cannot be read again cannot be checked.
    if (!ReadWholeFile(path, bytes) || NamesItsCompile(bytes)) return;
    manifest += HashHex(bytes) + " " + state + " " + KeptPath(path) + "\n";
  }
  manifest += HashHex(program) + " - @program\n";
  std::error_code err;
  std::filesystem::create_directories(CacheDir, err);
  if (!WriteAtomically(EntryPath(PendingKey, ".exe"), program, 0755) ||
      !WriteAtomically(EntryPath(PendingKey, ".mf"), manifest, 0644))
    return;
  // The token stream serves only a later run of the same code with other
  // line numbers: until one comes, the code is kept to make it then.
  std::string sources = tokens.empty() ? PackSources() : "";
  if (tokens.empty() && (sources.empty() || !WriteAtomically(EntryPath(PendingKey, ".src"), sources, 0644)))
    return Trim();
  WriteAtomically(EntryPath(PendingLines, ".lines"), PendingKey + " " + (tokens.empty() ? "-" : tokens) + "\n", 0644);
  Trim();
}
