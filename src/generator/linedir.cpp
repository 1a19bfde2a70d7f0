// Line directives.
//
// A final-source directive is due when the text does not simply continue
// from the previous line of the same file: the line moved forward by more
// than one, or the file changed. It is written only while the gate
// (PnumChanged) is open and no macro block is open (NoPnum). Line 1 gets a
// directive only while First is set: at the start of the run and after an
// include.
#include "generator/linedir.h"


#include "generator/output.h"

int OldLineCounter = -3;
std::string oldFname;
int First = 1;
int PnumChanged = 1;
int NoPnum = 0;

std::string CString(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out;
}

std::string DirectiveText(int line, const char *name) {
  return "#line " + std::to_string(line) + " \"" + CString(name) + "\"\n";
}

void Pnum(FILE *file, int line, const char *name) { WriteRaw(file, DirectiveText(line, name), Verbatim); }

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

// Writes the print statement that puts "#line N \"name\"" into the final
// source. The name stands in a string literal of the final source, which
// stands in a format string of the generator program: escaped twice.
static void WriteDirectiveStatement(int line, const char *name) {
  std::string text = "fprintf(stdcom, \"#line " + std::to_string(line) + " \\\"" +
                     FormatSafe(CString(CString(name))) + "\\\"\\n\");\n";
  WriteRaw(outfileT, text);
}

void PnumT(int line, const char *name) {
  bool due = static_cast<long long>(line) > static_cast<long long>(OldLineCounter) + 1 ||
             oldFname != name;
  if (due && NoPnum == 0 && PnumChanged == 1) {
    FlushBuffer(CodeFile);
    if (line != 1 || First == 1) WriteDirectiveStatement(line, name);
    First = 0;
    PnumChanged = 0;
    oldFname = name;
  }
  OldLineCounter = line;
}

void PnumH(int line, const char *name) {
  // With First at 0 nothing is written, and the gate stays as it is, so the
  // text after a macro line still gets its directive.
  if (NoPnum == 0 && PnumChanged == 1 && First == 1) {
    WriteDirectiveStatement(line, name);
    First = 0;
    PnumChanged = 0;
  }
  OldLineCounter = line;
}

void ResetLineDirectives() {
  OldLineCounter = -3;
  oldFname.clear();
  First = 1;
  PnumChanged = 1;
  NoPnum = 0;
}
