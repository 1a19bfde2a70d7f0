// Macro constructs.
#include "generator/macro.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <string_view>

#include "driver/diagnostics.h"
#include "generator/codereader.h"
#include "generator/flags.h"
#include "generator/linedir.h"
#include "generator/output.h"
#include "generator/text.h"
#include "scanner/input_stack.h"
#include "scanner/scanner.h"

char **saveArgv = nullptr;
int FirstArg = 0;
int ArgumentsNumber = 0;
std::string BlockFile;
int BlockLine = 0;
std::vector<std::string> Defines;

// Braces of the macro code in main (macro lines and inserted code), followed
// so that one that is never closed, or one too many "}", is named at its own
// template line; the compiler would name the end of the generator program, or
// the lines after the stray brace.
namespace {
struct Brace {
  std::string file;
  int line;
};
std::vector<Brace> OpenBraces;  // the "{" not closed yet, innermost last
CodeReader MacroReader;         // where the reading of macro code stands
bool DirectiveGoesOn = false;   // the last macro line was a # line that a backslash continues
}  // namespace

static int BlockCutLine = 0;  // line of the embedded expression that ended the last block, 0 if none
static std::string BlockCutFile; // its file
static const char *BlockCutPiece = "embedded expression"; // or "inserted code"

void ResetMacro() {
  saveArgv = nullptr;
  FirstArg = 0;
  ArgumentsNumber = 0;
  BlockFile.clear();
  BlockLine = 0;
  BlockCutLine = 0;
  BlockCutFile.clear();
  Defines.clear();
  OpenBraces.clear();
  ResetCodeReader(MacroReader);
  DirectiveGoesOn = false;
}

// Follows the braces of one macro line or piece of inserted code, outside
// comments and literals. A "#" line (a #define, an #if) is left alone, with
// the lines a backslash joins to it. A line comment or a literal ends with
// the piece; a block comment or a raw string goes on into the next one.
static void FollowBraces(std::string_view code, bool line) {
  size_t first = code.find_first_not_of(" \t");
  bool directive = line && MacroReader.where != CodeReader::BlockComment &&
                   MacroReader.where != CodeReader::RawString &&
                   (DirectiveGoesOn || (first != std::string_view::npos && code[first] == '#'));
  if (line) {
    std::string_view body = code.substr(0, code.find_last_not_of("\r\n") + 1);
    DirectiveGoesOn = directive && !body.empty() && body.back() == '\\';
  }
  if (directive) return;
  for (char c : code) {
    bool inCode = MacroReader.where == CodeReader::Code;
    ReadCodeChar(MacroReader, c);
    if (!inCode || MacroReader.where != CodeReader::Code) continue;
    if (c == '{') {
      OpenBraces.push_back({LastFile->fname, LastFile->line});
    } else if (c == '}' && OpenBraces.empty()) {
      TemplateErrorHere("this \"}\" of macro code closes a brace that no macro code before it opened");
    } else if (c == '}') {
      OpenBraces.pop_back();
    }
  }
  if (MacroReader.where != CodeReader::BlockComment && MacroReader.where != CodeReader::RawString)
    ResetCodeReader(MacroReader);
}

// As the compiler's -D: "NAME" defines NAME as 1. The lines stand at the top of
// the code file, so that they reach the compile of the generator program only,
// whatever command line compiler.cfg gives the compiler.
void AddDefine(const std::string &value) {
  size_t end = value.find('=');
  std::string name = value.substr(0, end);
  size_t at = 0;
  while (at < name.size() && (name[at] == '_' || isalnum(static_cast<unsigned char>(name[at])))) at++;
  bool identifier = at > 0 && !isdigit(static_cast<unsigned char>(name[0]));
  bool parameters = at < name.size() && name[at] == '(' && name.back() == ')';
  if (!identifier || (at < name.size() && !parameters)) {
    VornError("-D" + value + " does not start with a macro name (-DNAME or -DNAME=VALUE)");
    CountError();
  } else if (value.find_first_of("\r\n") != std::string::npos) {
    VornError("the value of -D" + name + " holds a line break, which a #define line cannot");
    CountError();
  } else {
    std::string body = end == std::string::npos ? "1" : value.substr(end + 1);
    // A backslash at the end would join the line after it to the #define;
    // the empty comment keeps it a character of the value, as with gcc's -D.
    if (!body.empty() && body.back() == '\\') body += "/**/";
    // As with the compiler's -D, the last value given for a name is the one that holds.
    std::string head = "#define " + name.substr(0, at) + " ", headWithParameters = "#define " + name.substr(0, at) + "(";
    Defines.erase(std::remove_if(Defines.begin(), Defines.end(),
                                 [&](const std::string &line) {
                                   return line.compare(0, head.size(), head) == 0 ||
                                          line.compare(0, headWithParameters.size(), headWithParameters) == 0;
                                 }),
                  Defines.end());
    Defines.push_back("#define " + name + " " + body);
  }
}

void PrintError(const char *message) { printf("%s\n", message); }

// The line a block started at, with its file when that is not the file of the report.
static std::string BlockStart(const std::string &reportFile) {
  std::string where = "line " + std::to_string(BlockLine);
  if (BlockFile != reportFile) where += " of " + BlockFile;
  return where;
}

// A block that an embedded expression ended and no ##MEND closed: the rest of
// the block went into main, where the compiler would report it against lines
// of the generator program. Reported at the expression, once the next
// ##MSTART or the end of the input shows that no ##MEND follows.
static void ReportCutBlock() {
  if (BlockCutLine == 0) return;
  TemplateError(BlockCutFile, BlockCutLine,
                std::string("the ") + BlockCutPiece + " ends the macro block that starts at " +
                    BlockStart(BlockCutFile) +
                    ", and no ##MEND follows; the lines after it are not part of the block");
  BlockCutLine = 0;
}

void StartMacro() {
  // Text left pending by a block that an embedded expression ended goes out
  // first, so the macro file keeps the order of the source.
  FlushBuffer(MacroFile);
  if (is_macro == 0) ReportCutBlock();
  if (is_macro == 1) {
    PrintError("Already in macro state");
    TemplateErrorHere("##MSTART inside the block that starts at " + BlockStart(LastFile->fname));
  } else {
    is_macro = 1;
    BlockFile = LastFile->fname;
    BlockLine = LastFile->line;
    BlockCutLine = 0;
  }
  Line();
  NoPnum = 1;
  Pnum(outfileM, LastFile->line, LastFile->fname.c_str());
}

void EndMacro() {
  FlushBuffer(MacroFile);
  if (is_macro == 0) {
    PrintError("Not in macro state\n");
    if (BlockCutLine != 0)
      TemplateErrorHere(std::string("##MEND without an open block: the ") + BlockCutPiece +
                        " at line " + std::to_string(BlockCutLine) +
                        " ended the block that starts at line " + std::to_string(BlockLine));
    else
      TemplateErrorHere("##MEND without ##MSTART");
    BlockCutLine = 0;
  } else {
    is_macro = 0;
  }
  Line();
  NoPnum = 0;
  PnumChanged = 1;
}

static bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// The name of an include line ("##include <name>" or "##include \"name\""),
// or false when the line is no include.
static bool IncludeName(std::string_view line, std::string &name) {
  if (line.size() < 10 || line.substr(0, 9) != "##include" || !IsBlank(line[9])) return false;
  size_t at = 10;
  while (at < line.size() && IsBlank(line[at])) at++;
  if (at >= line.size() || (line[at] != '<' && line[at] != '"')) return false;
  char closing = line[at] == '<' ? '>' : '"';
  size_t end = line.find(closing, at + 1);
  size_t newline = line.find('\n', at + 1);
  if (end == std::string_view::npos || (newline != std::string_view::npos && newline < end))
    return false;
  name.assign(line.substr(at + 1, end - at - 1));
  return true;
}

void MacroLine() {
  std::string_view line = ScannedPiece();
  std::string name;
  if (IncludeName(line, name)) {
    IncludeFile(name.c_str());
    PnumChanged = 1;
    First = 1;
    return;
  }
  FollowBraces(line.substr(2), true);
  PrintChar(CodeFile, '\n');
  Pnum(outfileT, LastFile->line, LastFile->fname.c_str());
  MacroCodeAt(line.substr(2), "  ", Verbatim);
}

// Blanks that bring a line to the byte where the current piece's code starts,
// skip bytes into it. The compiler turns that byte's place into a column by
// the template's line, which it quotes: its tabs and characters of several
// bytes count as they show there. Empty when the line's start is no longer at
// hand.
static std::string ColumnOf(size_t skip) {
  bool known = false;
  std::string_view before = LineBeforePiece(known);
  return known ? std::string(before.size() + skip, ' ') : "";
}

static bool IsBlankOnly(std::string_view text) {
  for (char c : text)
    if (!IsBlank(c)) return false;
  return true;
}

void MacroString(int form) {
  AskLineDirective();
  if (in_text == 1) {
    CloseStatement("\");\n");
    in_text = 0;
  }
  if (is_macro == 1) {
    BlockCutLine = LastFile->line;
    BlockCutFile = LastFile->fname;
    BlockCutPiece = form == 0 ? "embedded expression" : "inserted code";
  }
  is_macro = 0;
  std::string_view piece = ScannedPiece();
  piece.remove_suffix(2);
  if (form == 1) {
    FollowBraces(piece.substr(3), false);
    MarkCodeLine(MacroCode);
    MacroCodeAt(piece.substr(3), ColumnOf(3), MacroCode);
    return;
  }
  std::string_view expression = piece.substr(2);
  if (IsBlankOnly(expression)) {
    // "fprintf(stdcom,_printType(_ftype1()),);" would not compile.
    std::string message = "Empty embedded expression at line " + std::to_string(LastFile->line) +
                          " of " + LastFile->fname;
    PrintError(message.c_str());
    TemplateErrorHere("empty embedded expression");
    return;
  }
  ExpressionStatement(expression, ColumnOf(2));
}

void MacroParm() {
  int n = yytext[1] - '0';
  if (n < ArgumentsNumber)
    TextString(0, saveArgv[FirstArg + n]);
  else
    MissingParameter(n);
}

void MissingParameter(int n) {
  if (!Quiet) fprintf(stderr, "Invalid input argument used %d\n", n);
  int words = ArgumentsNumber > 0 ? ArgumentsNumber - 1 : 0;
  std::string given = ArgumentsNumber == 0 ? "no -M is given"
                      : "-M gives " + std::to_string(words) + (words == 1 ? " word" : " words");
  TemplateErrorHere("$" + std::to_string(n) + " used, but " + given);
}

void CheckBlockClosed() {
  ReportCutBlock();
  for (const Brace &brace : OpenBraces)
    TemplateError(brace.file, brace.line, "this \"{\" of macro code is not closed by the end of the input");
  OpenBraces.clear();
  if (is_macro == 1)
    TemplateError(BlockFile, BlockLine, "block started by ##MSTART is not closed at the end of the input");
}
