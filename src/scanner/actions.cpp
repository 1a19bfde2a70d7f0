// Scanner rule actions made of several calls.
#include "scanner/actions.h"

#include "driver/cleanup.h"
#include "generator/flags.h"
#include "generator/linedir.h"
#include "generator/macro.h"
#include "generator/output.h"
#include "generator/text.h"
#include "scanner/input_stack.h"
#include "scanner/scanner.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>

// True when a piece ends in a backslash-newline (LF or CR LF).
static bool EndsSpliced(std::string_view piece) {
  if (piece.size() >= 2 && piece.substr(piece.size() - 2) == "\\\n") return true;
  return piece.size() >= 3 && piece.substr(piece.size() - 3) == "\\\r\n";
}

void CommentLine() {
  PrintStringNL();
  if (is_macro == 0) LineSpliced = EndsSpliced(ScannedPiece());  // it goes on over the next line
  Line();
  PnumChanged = 1;
  PrintNL1();
  TextLineEnded();
}

void MacroLineAction() {
  MacroLine();
  Line();  // after an include this counts line 1 of the included file
  FlushBuffer(BothFiles);
}

void NewlineAction() {
  TextNewline();
  // The next line's indent is the run of text it begins.
  if (StartIndentRun()) TextRun();
}

void SplicedNewline() {
  for (char c : ScannedPiece()) TranslateChar(c);
  Line();
  if (is_macro == 0) LineSpliced = 1;
}

void IncludeEndNewline() {
  TranslateChar('\n');
  if (is_macro == 0) LineSpliced = AtSplice;
}

// A comment or literal may span lines. Its line breaks are counted after the
// piece is translated, so that the lines after it keep their true numbers in
// the directives (a directive before the piece names the line it starts on).
static void CountInnerLines(std::string_view piece) {
  for (char c : piece)
    if (c == '\n') Line();
}

void BlockComment() {
  PrintString();
  CountInnerLines(ScannedPiece());
}

void Literal(int form) {
  TextString(form, ScannedPiece());
  CountInnerLines(ScannedPiece());
}

static ConditionalKind KindOf(std::string_view name) {
  if (name.substr(0, 2) == "if") return OpensGroup;
  return name == "endif" ? ClosesGroup : NextBranch;
}

void ConditionalLine() {
  std::string_view piece = ScannedPiece();
  for (char c : piece) TranslateChar(c);
  size_t name = piece.find_first_not_of(" \t#");
  if (is_macro == 0) FollowConditional(KindOf(piece.substr(name)));
}

// The number and the name (unescaped, empty when none is given) of a #line line.
static void ParseLineDirective(std::string_view piece, long long &number, std::string &name) {
  size_t digits = piece.find_first_of("0123456789");
  number = 0;
  for (; digits < piece.size() && isdigit(static_cast<unsigned char>(piece[digits])); digits++)
    number = std::min(number * 10 + (piece[digits] - '0'), 1LL << 31);
  size_t quote = piece.find('"', digits);
  if (quote == std::string_view::npos) return;
  for (size_t k = quote + 1; k + 1 < piece.size(); k++) {
    if (piece[k] == '\\') k++;
    name += piece[k];
  }
}

void TemplateLineDirective() {
  std::string_view piece = ScannedPiece();
  for (char c : piece) TranslateChar(c);
  long long number;
  std::string name;
  ParseLineDirective(piece, number, name);
  // The compiler takes numbers up to 2147483647; another stays as the text it is.
  if (is_macro == 0 && number >= 1 && number <= 2147483647)
    FollowTemplateDirective(static_cast<int>(number), name);
}

void EscapedHashes() {
  TranslateChar('#');
  TranslateChar('#');
}

// The text from the opener on, up to and including the first ")delimiter\"",
// read byte by byte so that it may be longer than the scanner's buffer.
// False, with everything read, when the input ends first.
static bool ReadRawString(std::string &text) {
  size_t quote = text.find('"');
  std::string end = ")" + text.substr(quote + 1, text.size() - quote - 2) + "\"";
  size_t opener = text.size();
  for (int c; (c = NextInputByte()) >= 0;) {
    text += static_cast<char>(c);
    if (c == '"' && text.size() >= opener + end.size() &&
        text.compare(text.size() - end.size(), end.size(), end) == 0)
      return true;
  }
  return false;
}

// An unterminated raw string is no literal: its prefix letters and R are
// text characters, and the rest, from the double quote on, is scanned again
// as the pieces it holds. Nothing of the file follows it, so the spent buffer
// is replaced by one over that rest.
static void RescanAfterPrefix(const std::string &text) {
  size_t quote = text.find('"');
  for (size_t i = 0; i < quote; i++) TranslateChar(text[i]);
  yy_buffer_state *spent = CurrentScanBuffer();
  yy_scan_bytes(text.data() + quote, static_cast<int>(text.size() - quote));
  yy_delete_buffer(spent);
}

void DelimitedRawString() {
  std::string text(ScannedPiece());
  if (!ReadRawString(text)) {
    RescanAfterPrefix(text);
    return;
  }
  TextString(2, text);
  CountInnerLines(text);
}

void ScannerFatal(const char *msg) { EndRun((std::string(msg) + "\n").c_str(), 2); }
