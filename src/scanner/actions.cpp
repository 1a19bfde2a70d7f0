// Scanner rule actions made of several calls.
#include "scanner/actions.h"

#include "generator/linedir.h"
#include "generator/macro.h"
#include "generator/output.h"
#include "generator/text.h"
#include "scanner/input_stack.h"
#include "scanner/scanner.h"

#include <string_view>

void CommentLine() {
  PrintStringNL();
  Line();
  PnumChanged = 1;
  PrintNL1();
}

void MacroLineAction() {
  MacroLine();
  Line();  // after an include this counts line 1 of the included file
  FlushBuffer(BothFiles);
}

void NewlineAction() {
  TextChar();
  Line();
}

// A comment or literal may span lines. Its line breaks are counted after the
// piece is translated, so that the lines after it keep their true numbers in
// the directives (a directive before the piece names the line it starts on).
static void CountInnerLines() {
  for (int i = 0; i < yyleng; i++)
    if (yytext[i] == '\n') Line();
}

void BlockComment() {
  PrintString();
  CountInnerLines();
}

void Literal(int form) {
  TextString(form, ScannedPiece());
  CountInnerLines();
}
