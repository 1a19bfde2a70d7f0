// Scanner rule actions made of several calls.
#include "scanner/actions.h"

#include "generator/linedir.h"
#include "generator/macro.h"
#include "generator/output.h"
#include "generator/text.h"
#include "scanner/input_stack.h"

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
