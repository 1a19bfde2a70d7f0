// Text translation.
//
// A run of ordinary characters is gathered into one open text statement,
// fprintf(stdcom,"%s","..."), in the code buffer. Special characters get a
// statement of their own that prints them with %c; literals and comments are
// escaped so that the final source receives exactly the bytes written. Inside
// a macro block, characters and literals are copied to the macro file as they
// are. The compact form takes most text as the bytes it prints (PrintDirect).
#include "generator/text.h"

#include <string>

#include "generator/codeform.h"
#include "generator/flags.h"
#include "generator/linedir.h"
#include "generator/output.h"
#include "scanner/input_stack.h"
#include "scanner/scanner.h"

// A C string cannot hold a NUL byte, so inside a print statement's string a
// NUL closes the statement, prints itself with %c, and opens a new statement.
static const char NulUnit[] = "\");fprintf(stdcom, \"%c\",'\\0');fprintf(stdcom,\"%s\",\"";

// Appends the escaped form of c, as it must stand inside a string of the
// generated C. With visible set (string literals, -M words), a raw newline or
// tab becomes the two-character escape in the final source; otherwise every
// byte reaches the final source as itself.
static void AppendUnit(std::string &out, char c, bool visible) {
  switch (c) {
    case '"': out += "\\\""; break;
    case '\\': out += "\\\\"; break;
    case '\n': out += visible ? "\\\\n" : "\\n"; break;
    case '\t': out += visible ? "\\\\t" : "\t"; break;
    case '\r': out += "\\r"; break;
    case '\0': out += NulUnit; break;
    default: out += c;
  }
}

// Copies source with each backslash doubled, each double quote escaped, and
// line breaks and NUL bytes written so that they survive the generated string.
static void convert_sl(std::string &destination, std::string_view source) {
  for (char c : source) AppendUnit(destination, c, false);
}

// Characters that get a print statement of their own, by byte value.
static const struct SpecialTable {
  bool of[256] = {};
  SpecialTable() {
    for (unsigned char c : {'\n', '\t', '\v', '\b', '\r', '\f', '\\', '\0'}) of[c] = true;
  }
} Special;

static bool IsSpecial(char c) { return Special.of[static_cast<unsigned char>(c)]; }

void OpenText() {
  if (in_text != 0) return;
  PrintText(CodeFile, TextHead);
  in_text = 1;
}

void CloseText() {
  if (in_text != 1) return;
  PrintText(CodeFile, "\");");
  in_text = 0;
}

void AskLineDirective() {
  if (NoPnum != 0 || PnumChanged != 1 || LastFile == nullptr) return;
  // On line 1 the bookkeeping probe writes the directive itself, ahead of
  // the pending print statement; asking here as well would print it twice.
  if (LastFile->line == 1 && LastPLine != 0 && LastPLine != 1) return;
  PnumT(LastFile->line, LastFile->fname.c_str());
  PnumChanged = 0;
}

void print_spch(char c) {
  const char *statement;
  switch (c) {
    case '\n': statement = "fprintf(stdcom, \"%c\",'\\n');"; break;
    case '\t': statement = "fprintf(stdcom, \"%c\",'\\t');"; break;
    case '\v': statement = "fprintf(stdcom, \"%c\",'\\v');"; break;
    case '\b': statement = "fprintf(stdcom, \"%c\",'\\b');"; break;
    case '\r': statement = "fprintf(stdcom, \"%c\",'\\r');"; break;
    case '\f': statement = "fprintf(stdcom, \"%c\",'\\f');"; break;
    case '\\': statement = "fprintf(stdcom, \"%c\",'\\\\');"; break;
    default: statement = "fprintf(stdcom, \"%c\",'\\0');";  // only a NUL byte gets here
  }
  PrintExact(CodeFile, "%s", statement);
}

// What every text character does first: the first character of a line is
// where its directive is due; a newline opens the way for the next one.
static void GateDirective(char c) {
  if (c != '\n' && NoPnum == 0 && PnumChanged == 1) {
    PnumT(LastFile->line, LastFile->fname.c_str());
    PnumChanged = 0;
  }
  if (c == '\n') PnumChanged = 1;
}

void TranslateChar(char c) {
  if (is_macro == 1) {
    if (c == '\n')
      PrintText(MacroFile, "\n");
    else
      PrintChar(MacroFile, c);
    return;
  }
  GateDirective(c);
  if (CompactForm && PrintDirect(std::string_view(&c, 1))) return;
  if (IsSpecial(c)) {
    in_text = 0;  // print_spch's flush completes the open statement
    print_spch(c);
    return;
  }
  OpenText();
  if (c == '"')
    PrintText(CodeFile, "\\\"");  // one unit, so a flush never separates the two
  else
    PrintChar(CodeFile, c);
}

void TextChar() { TranslateChar(yytext[0]); }

void TextNewline() {
  TranslateChar('\n');
  Line();
  if (is_macro == 0) LineSpliced = 0;
}

void TextRun() {
  // Text that goes the short way may take in whole lines: the bookkeeping
  // of each line break is done here, line by line, as its own piece would.
  ExtendTextRun(is_macro == 0 && TakesText() && LastFile->line >= 2);
  std::string_view run = ScannedPiece();
  if (is_macro == 1) {
    PrintText(MacroFile, run);
    return;
  }
  GateDirective(run[0]);
  while (!run.empty()) {
    size_t end = run.find('\n');
    std::string_view line = run.substr(0, end == std::string_view::npos ? run.size() : end + 1);
    if (!PrintDirect(line)) break;
    run.remove_prefix(line.size());
    if (line.back() != '\n') return;
    PnumChanged = 1;
    Line();
    LineSpliced = 0;
    if (!run.empty()) GateDirective(run[0]);
  }
  for (char c : run) c == '\n' ? TextNewline() : TranslateChar(c);
}

// A character literal gets a statement of its own.
static void CharLiteral(std::string_view literal) {
  PrintText(CodeFile, "\");");
  in_text = 0;
  PrintText(CodeFile, "fprintf(stdcom,\"%s\",");
  std::string converted;
  convert_sl(converted, literal);
  PrintStr(CodeFile, "\"%s\");", converted);
}

static bool HasBreakOrTab(std::string_view text) {
  for (char c : text)
    if (c == '\n' || c == '\t') return true;
  return false;
}

void TextString(int form, std::string_view text) {
  if (is_macro == 1) {
    CloseText();
    PrintText(MacroFile, text);
    return;
  }
  AskLineDirective();
  // A string literal's raw line breaks and tabs print as escapes; any other
  // literal prints as it stands.
  bool asItStands = form != 0 || !HasBreakOrTab(text);
  if (CompactForm && asItStands && PrintDirect(text)) return;
  OpenText();
  if (form == 1) {
    CharLiteral(text);
    return;
  }
  // Unit by unit, so that a flush never cuts an escape in two. A backslash
  // and the character it escapes form one unit; a backslash-newline (LF or
  // CR LF) that continues a literal on the next line is kept as it is. A raw
  // string keeps every byte: its line breaks and tabs are its text.
  bool visible = form == 0;
  std::string unit;
  for (size_t i = 0; i < text.size(); i++) {
    unit.clear();
    AppendUnit(unit, text[i], visible);
    if (form == 0 && text[i] == '\\' && i + 1 < text.size()) {
      bool crlf = text[i + 1] == '\r' && i + 2 < text.size() && text[i + 2] == '\n';
      i++;
      AppendUnit(unit, text[i], text[i] != '\n');
      if (crlf) AppendUnit(unit, text[++i], false);
    }
    PrintText(CodeFile, unit);
  }
}

// One whole statement for a comment or an "AN" run; a final newline of the
// piece is left out of the string and written after the statement.
static void PieceStatement(std::string_view piece) {
  bool newline = !piece.empty() && piece.back() == '\n';
  if (newline) piece.remove_suffix(1);
  if (!CompactForm || !PrintDirect(piece)) {
    std::string converted;
    convert_sl(converted, piece);
    if (in_text == 1) FlushBuffer(CodeFile);
    PrintText(CodeFile, TextHead);
    PrintStr(CodeFile, "%s\");", converted);
  }
  if (newline) PrintNL();
  in_text = 0;
}

void PrintString() {
  AskLineDirective();
  PieceStatement(ScannedPiece());
}

void PrintStringNL() {
  if (NoPnum == 0 && PnumChanged == 1) PnumT(LastFile->line, LastFile->fname.c_str());
  PieceStatement(ScannedPiece());
}

void PrintAN() {
  if (is_macro == 1)
    PrintText(MacroFile, ScannedPiece());  // part of macro code, like any other macro text
  else
    PrintString();
}
