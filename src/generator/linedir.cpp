// Line directives.
//
// A final-source directive is due where it changes something: where the
// compiler, counting the lines the final source has received since the last
// directive, would give the next text line another number or file than the
// template line it comes from. It is written only while the gate
// (PnumChanged) is open and no macro block is open (NoPnum). Line 1 gets a
// directive only while First is set: at the start of the run and after an
// include.
//
// A directive inside a conditional group that the compiler skips is ignored,
// yet its own line is counted, so every later line would be one off until
// the next directive the compiler obeys. The compiler takes up the text again
// only after an #else, #elif... or #endif line; so when a directive was written
// inside a group since the last such line, the first text line after the next
// one gets a directive again, jump or not. A text without directives inside
// groups gets no extra directive.
//
// A line that follows a backslash-newline continues the line before it (a
// #define, an #elif over several lines); a directive there would become part
// of that line and break it. It is owed to the first line that starts afresh.
#include "generator/linedir.h"

#include <cstring>

int First = 1;
int PnumChanged = 1;
int NoPnum = 0;
int ConditionalDepth = 0;
int DirectiveInGroup = 0;
int DirectiveOwed = 0;
int LineSpliced = 0;
int FinalLine = -1;
std::string FinalName;

std::string CString(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

std::vector<std::pair<std::string, std::string>> FilePrefixMaps;

const std::pair<std::string, std::string> *PrefixMapOf(const std::string &name) {
  for (auto map = FilePrefixMaps.rbegin(); map != FilePrefixMaps.rend(); ++map)
    if (name.compare(0, map->first.size(), map->first) == 0) return &*map;
  return nullptr;
}

std::string MappedName(const std::string &name) {
  const auto *map = PrefixMapOf(name);
  return map != nullptr ? map->second + name.substr(map->first.size()) : name;
}

std::string DirectiveText(int line, const char *name) {
  return "#line " + std::to_string(line) + " \"" + CString(MappedName(name)) + "\"\n";
}

// The name as a directive of the final source shows it, and as the format
// of the statement that prints it holds it; kept for the name of the last
// directive, as one file gives most of them.
namespace {
struct EscapedName {
  std::string name, shown, inFormat;
};
EscapedName Escapes;
}  // namespace

static std::string FormatSafe(const std::string &name);

static const EscapedName &EscapesOf(const char *name) {
  if (Escapes.name != name) {
    Escapes.name = name;
    Escapes.shown = CString(MappedName(name));
    Escapes.inFormat = FormatSafe(CString(Escapes.shown));
  }
  return Escapes;
}

// The decimal digits of line.
static std::string_view Digits(int line, char (&room)[16]) {
  char *end = room + sizeof room, *at = end;
  long long value = line < 0 ? -static_cast<long long>(line) : line;
  do *--at = static_cast<char>('0' + value % 10); while ((value /= 10) != 0);
  if (line < 0) *--at = '-';
  return {at, static_cast<size_t>(end - at)};
}

void DirectivePrints(std::string &out, int line, const char *name, bool crlf) {
  char room[16];
  out.assign("#line ").append(Digits(line, room)).append(" \"").append(EscapesOf(name).shown);
  out.append(crlf ? "\"\r\n" : "\"\n");
}

// The name stands in the format string of the generated fprintf, so a '%'
// must be doubled there to print as itself.
static std::string FormatSafe(const std::string &name) {
  std::string out;
  for (char c : name) {
    out += c;
    if (c == '%') out += '%';
  }
  return out;
}

// The name stands in a string literal of the final source, which stands in
// a format string of the generator program: escaped twice. The directive
// ends as the lines of its file do, so that a CR LF template gives a final
// source with CR LF line ends only.
void DirectiveStatement(std::string &out, int line, const char *name, bool crlf) {
  char room[16];
  out.assign("fprintf(stdcom, \"#line ").append(Digits(line, room)).append(" \\\"");
  out.append(EscapesOf(name).inFormat).append(crlf ? "\\\"\\r\\n\");\n" : "\\\"\\n\");\n");
}

void NoteDirectiveWritten(int line, const char *name) {
  if (ConditionalDepth > 0) DirectiveInGroup = 1;
  DirectiveOwed = 0;
  FinalLine = line;
  FinalName = name;
}

void FollowCompilerDirective(int line, const std::string &name) {
  FinalLine = line;
  FinalName = name;
}

void NotePrintedBreaks(std::string_view printed) {
  if (FinalLine < 0) return;
  for (size_t at = 0; (at = printed.find('\n', at)) != std::string_view::npos; at++) FinalLine++;
}

DirectiveStep TextLineStep(int line, const char *name) {
  // Due where the compiler's own count of the final source's lines would
  // give the line another number or file.
  bool due = FinalLine != line || strcmp(FinalName.c_str(), name) != 0 || DirectiveOwed == 1;
  DirectiveStep step = NoDirective;
  if (due && NoPnum == 0 && PnumChanged == 1 && LineSpliced == 1) {
    DirectiveOwed = 1;
  } else if (due && NoPnum == 0 && PnumChanged == 1) {
    step = line != 1 || First == 1 ? FlushAndDirective : FlushOnly;
    First = 0;
    PnumChanged = 0;
  }
  return step;
}

int FirstLineStep() {
  // With First at 0 nothing is written, and the gate stays as it is,
  // so the text after a macro line still gets its directive.
  int write = 0;
  if (NoPnum == 0 && PnumChanged == 1 && First == 1 && LineSpliced == 1) {
    DirectiveOwed = 1;
  } else if (NoPnum == 0 && PnumChanged == 1 && First == 1) {
    write = 1;
    First = 0;
    PnumChanged = 0;
  }
  return write;
}

void FollowConditional(ConditionalKind kind) {
  if (kind == OpensGroup) {
    ConditionalDepth++;
    return;
  }
  if (DirectiveInGroup == 1) DirectiveOwed = 1;
  DirectiveInGroup = 0;
  // An #endif without its #if leaves the text outside all groups.
  if (kind == ClosesGroup && ConditionalDepth > 0) ConditionalDepth--;
}

void ResetLineDirectives() {
  Escapes = EscapedName();
  FilePrefixMaps.clear();
  ConditionalDepth = 0;
  DirectiveInGroup = 0;
  DirectiveOwed = 0;
  LineSpliced = 0;
  FinalLine = -1;
  FinalName.clear();
  First = 1;
  PnumChanged = 1;
  NoPnum = 0;
}
