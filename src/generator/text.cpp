// Text translation.
//
// A run of ordinary characters is gathered into one open text statement,
// fprintf(stdcom,"%s","..."), in the code buffer. Special characters get a
// statement of their own that prints them with %c; literals and comments are
// escaped so that the final source receives exactly the bytes written. Inside
// a macro block, characters and literals are copied to the macro file as they
// are. Every piece of a statement goes with the bytes it prints.
#include "generator/text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "generator/flags.h"
#include "generator/linedir.h"
#include "generator/output.h"
#include "scanner/input_stack.h"
#include "scanner/scanner.h"

// A C string cannot hold a NUL byte, so inside a print statement's string a
// NUL closes the statement, prints itself with %c, and opens a new statement.
static const char NulUnit[] = "\");fprintf(stdcom, \"%c\",'\\0');fprintf(stdcom,\"%s\",\"";

// Appends the escaped form of c, as it must stand inside a string of the
// generated C, and what it prints. With visible set (string literals, -M
// words), a raw newline or tab becomes the two-character escape in the final
// source; otherwise every byte reaches the final source as itself.
static void AppendUnit(std::string &code, std::string &prints, char c, bool visible) {
  switch (c) {
    case '"': code += "\\\""; break;
    case '\\': code += "\\\\"; break;
    case '\n': code += visible ? "\\\\n" : "\\n"; break;
    case '\t': code += visible ? "\\\\t" : "\t"; break;
    case '\r': code += "\\r"; break;
    case '\0': code += NulUnit; break;
    default: code += c;
  }
  if (visible && (c == '\n' || c == '\t'))
    prints += c == '\n' ? "\\n" : "\\t";
  else
    prints += c;
}

// Bytes that AppendUnit writes otherwise than as themselves.
static const struct EscapedTable {
  bool of[256] = {};
  EscapedTable() {
    for (unsigned char c : {'"', '\\', '\n', '\t', '\r', '\0'}) of[c] = true;
  }
} Escaped;

// The length of the run at the start of text that AppendUnit writes as it is.
static size_t PlainRun(std::string_view text);

// Copies source with each backslash doubled, each double quote escaped, and
// line breaks and NUL bytes written so that they survive the generated string.
// What it prints is source itself.
static void convert_sl(std::string &code, std::string_view source) {
  std::string prints;  // the same bytes as source: not kept
  while (!source.empty()) {
    size_t run = PlainRun(source);
    code.append(source.data(), run);
    if (run < source.size()) AppendUnit(code, prints, source[run], false);
    source.remove_prefix(std::min(run + 1, source.size()));
  }
}

// Appends the unit of a literal at text[at], and moves at past it. A
// backslash and the character it escapes form one unit; a backslash-newline
// (LF or CR LF) that continues a literal on the next line is kept as it is.
// A raw string (form 2) keeps every byte: its line breaks and tabs are its text.
static void LiteralUnit(std::string &code, std::string &prints, std::string_view text, size_t &at,
                        int form) {
  size_t i = at;
  AppendUnit(code, prints, text[i], form == 0);
  if (form == 0 && text[i] == '\\' && i + 1 < text.size()) {
    bool crlf = text[i + 1] == '\r' && i + 2 < text.size() && text[i + 2] == '\n';
    i++;
    AppendUnit(code, prints, text[i], text[i] != '\n');
    if (crlf) AppendUnit(code, prints, text[++i], false);
  }
  at = i + 1;
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
  OpenStatement(TextHead);
  in_text = 1;
}

void CloseText() {
  if (in_text != 1) return;
  CloseStatement("\");");
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

// The statement that prints the special character c.
static std::string_view SpecialStatement(char c) {
  switch (c) {
    case '\n': return "fprintf(stdcom, \"%c\",'\\n');";
    case '\t': return "fprintf(stdcom, \"%c\",'\\t');";
    case '\v': return "fprintf(stdcom, \"%c\",'\\v');";
    case '\b': return "fprintf(stdcom, \"%c\",'\\b');";
    case '\r': return "fprintf(stdcom, \"%c\",'\\r');";
    case '\f': return "fprintf(stdcom, \"%c\",'\\f');";
    case '\\': return "fprintf(stdcom, \"%c\",'\\\\');";
    default: return "fprintf(stdcom, \"%c\",'\\0');";  // only a NUL byte gets here
  }
}

void print_spch(char c) { PrintStatement(SpecialStatement(c), std::string_view(&c, 1)); }

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
  if (IsSpecial(c)) {
    in_text = 0;  // print_spch's flush completes the open statement
    print_spch(c);
    return;
  }
  OpenText();
  if (c == '"')
    PrintUnit("\\\"", "\"");  // one unit, so a flush never separates the two
  else
    PrintPlain(std::string_view(&c, 1));
}

void TextChar() { TranslateChar(yytext[0]); }

void TextNewline() {
  TranslateChar('\n');
  Line();
  if (is_macro == 0) LineSpliced = 0;
  TextLineEnded();
}

// The #line of the template's own on the line that is ending, if any.
static struct {
  bool due = false;
  int line = 0;
  std::string name;
} OwnDirective;

void FollowTemplateDirective(int line, const std::string &name) {
  OwnDirective.due = true;
  OwnDirective.line = line;
  OwnDirective.name = name;
}

void TextLineEnded() {
  if (!OwnDirective.due) return;
  OwnDirective.due = false;
  // The compiler gives the next line the number and name the template's
  // directive says; Vorn's own directives go on from there, as cpp would.
  Files &file = *LastFile;
  std::string name = !OwnDirective.name.empty() ? OwnDirective.name
                     : file.mapFrom > 0         ? file.mapName
                                                : file.fname;
  file.mapFrom = file.line;
  file.mapLine = OwnDirective.line;
  file.mapName = name;
  FollowCompilerDirective(OwnDirective.line, name);
}


// The length of the run at the start of text without a byte that stop
// marks, where stop marks only control characters, '"' and '\\': eight
// bytes at a time while none of those is among them, then byte by byte.
static inline size_t RunUntil(std::string_view text, const bool (&stop)[256]) {
  constexpr uint64_t ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
  size_t end = 0;
  while (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ && end + 8 <= text.size()) {
    uint64_t w;
    memcpy(&w, text.data() + end, 8);
    uint64_t quote = w ^ (ones * '"'), slash = w ^ (ones * '\\');
    if (((((w - ones * 0x20) & ~w) | ((quote - ones) & ~quote) | ((slash - ones) & ~slash)) & highs) != 0)
      break;
    end += 8;
  }
  while (end < text.size() && !stop[static_cast<unsigned char>(text[end])]) end++;
  return end;
}

static size_t PlainRun(std::string_view text) { return RunUntil(text, Escaped.of); }


void TextRun() {
  ExtendTextRun(is_macro == 0);
  std::string_view run = ScannedPiece();
  bool bom = LastFile->bom;
  LastFile->bom = false;  // the first piece of a file that has one begins with it
  if (is_macro == 1) {
    PrintText(MacroFile, run);
    return;
  }
  // A file's byte-order mark: gcc drops one only at the very start of a file,
  // so it goes before the first directive of the final source, and is left
  // out where the file's text comes later (cpp leaves it out of what it makes
  // of an include).
  static const std::string_view Bom = "\xEF\xBB\xBF";
  if (bom && run.substr(0, 3) == Bom) {
    if (FinalName.empty()) {
      OpenText();
      PrintPlain(Bom);
    }
    run.remove_prefix(3);
  }
  // A line's indent may hold tabs, which get statements of their own; past
  // it the scanner's run holds ordinary characters and line breaks only.
  size_t indent = 0;
  while (indent < run.size() && (run[indent] == ' ' || run[indent] == '\t')) indent++;
  for (size_t k = 0; k < indent;) {
    size_t spaces = run.find_first_not_of(' ', k);
    spaces = (spaces == std::string_view::npos || spaces > indent ? indent : spaces) - k;
    if (spaces > 0) {
      GateDirective(run[k]);
      OpenText();
      PrintPlain(run.substr(k, spaces));
      k += spaces;
    } else {
      TranslateChar(run[k++]);
    }
  }
  for (run.remove_prefix(indent); !run.empty();) {
    size_t end = std::min(run.find('\n'), run.size());
    if (end > 0) {
      GateDirective(run[0]);
      OpenText();
      PrintPlain(run.substr(0, end));
    }
    if (end == run.size()) return;
    TextNewline();
    run.remove_prefix(end + 1);
  }
}

// A character literal gets a statement of its own.
static void CharLiteral(std::string_view literal) {
  CloseStatement("\");");
  in_text = 0;
  OpenStatement("fprintf(stdcom,\"%s\",");
  PrintStatementTail("\"%s\");", literal, convert_sl);
}

void TextString(int form, std::string_view text) {
  if (is_macro == 1) {
    CloseText();
    PrintText(MacroFile, text);
    return;
  }
  AskLineDirective();
  OpenText();
  if (form == 1) {
    CharLiteral(text);
    return;
  }
  // A literal that fits in the buffer goes in at once; a longer one unit
  // by unit, so that a flush never cuts an escape in two.
  static std::string code, prints;  // kept, so that their room is reused
  code.clear();
  prints.clear();
  for (size_t at = 0; at < text.size();) {
    size_t run = PlainRun(text.substr(at));
    code.append(text.data() + at, run);
    prints.append(text.data() + at, run);
    at += run;
    if (at < text.size()) LiteralUnit(code, prints, text, at, form);
  }
  if (PendingCodeSize() + code.size() <= FlushThreshold) {
    PrintUnit(code, prints);
    return;
  }
  for (size_t at = 0; at < text.size();) {
    code.clear();
    prints.clear();
    LiteralUnit(code, prints, text, at, form);
    PrintUnit(code, prints);
  }
}

// One whole statement for a comment or an "AN" run; a final newline of the
// piece is left out of the string and written after the statement.
static void PieceStatement(std::string_view piece) {
  bool newline = !piece.empty() && piece.back() == '\n';
  if (newline) piece.remove_suffix(1);
  if (in_text == 1) FlushBuffer(CodeFile);
  OpenStatement(TextHead);
  PrintStatementTail("%s\");", piece, convert_sl);
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
