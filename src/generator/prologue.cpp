// Fixed beginning and end of the generated program.
#include "generator/prologue.h"

#include "build/settings.h"
#include "generator/codeform.h"
#include "generator/flags.h"
#include "generator/linedir.h"
#include "generator/output.h"

// The support library of the generator program, in the order it is written:
// the type overloads that pick a print format for "##expr##", the format
// table, and AddQuotes for macro code. A long prints with "%ld".
//
// Every basic type C does not promote to int has an overload of its own, so
// that overload resolution is never ambiguous. A floating value prints with
// "%g" when that reads back as the same value, and otherwise with the fewest
// more digits that do: only _ftype1 sees the value, so _Fcode encodes the
// digit count in the type code (100 + n for "%.ng", 200 + n for "%.nLg"). A
// float is read back as a float; NaN never compares equal and keeps "%g".
static const char *const SupportLines[] = {
    "int _Fcode(long double v, int tp) {",
    "char s[64]; int n = 6;",
    "for (; v == v && n < 40; n++) { snprintf(s, sizeof s, \"%.*Lg\", n, v);",
    "if (tp == 5 ? strtof(s, 0) == (float)v : tp == 6 ? strtod(s, 0) == (double)v"
    " : strtold(s, 0) == v) break; }",
    "return n == 6 ? tp : (tp == 13 ? 200 : 100) + n; }",
    "int _ftype1(char p) { return 1;}",
    "int _ftype1(short p) { return 2;}",
    "int _ftype1(int p) { return 3;}",
    "int _ftype1(long p) { return 4;}",
    "int _ftype1(float p) { return _Fcode(p, 5); }",
    "int _ftype1(double p) { return _Fcode(p, 6); }",
    "int _ftype1(char* p) { return 7;}",
    "int _ftype1(void **p) { return 0;}",
    "int _ftype1(void * p) { return 0; }",
    "int _ftype1(void) { return 8; }",
    "int _ftype1(unsigned int p) { return 9; }",
    "int _ftype1(unsigned long p) { return 10; }",
    "int _ftype1(long long p) { return 11; }",
    "int _ftype1(unsigned long long p) { return 12; }",
    "int _ftype1(long double p) { return _Fcode(p, 13); }",
    "int _ftype1(const char* p) { return 7; }",
    "int _ftype1(const void* p) { return 0; }",
    "#define _Ftype(a)  _ftype(&a)",
    "char *_printType(int tp) {",
    "static char frm[5];",
    "frm[0] = 37;",
    "if (tp > 100) { static char fx[8];"
    " snprintf(fx, sizeof fx, tp > 200 ? \"%%.%dLg\" : \"%%.%dg\", tp % 100); return(fx); }",
    " switch(tp) {",
    " case 1: frm[1]='c'; break;",
    " case 2:",
    "case 3: frm[1]='d'; break;",
    "case 4: frm[1]='l'; frm[2]='d'; frm[3]=0; return(frm);",
    "case 5:",
    "case 6: frm[1]='g'; break;",
    "case 7: frm[1]='s'; break;",
    "case 8: frm[0]=0; break;",
    "case 9: frm[1]='u'; break;",
    "case 10: frm[1]='l'; frm[2]='u'; frm[3]=0; return(frm);",
    "case 11: frm[1]='l'; frm[2]='l'; frm[3]='d'; frm[4]=0; return(frm);",
    "case 12: frm[1]='l'; frm[2]='l'; frm[3]='u'; frm[4]=0; return(frm);",
    "case 13: frm[1]='L'; frm[2]='g'; frm[3]=0; return(frm);",
    "default: fprintf(stderr, \"Unsuported type\\n\");",
    "frm[0]=0; break;",
    "} frm[2] = 0; return(frm);}",
    "char *res = NULL;",
    "unsigned int sizeRes = 0;",
    "char *AddQuotes(char *inp)",
    "{",
    "  if (strlen(inp) + 3 > sizeRes) {",
    "    if (sizeRes != 0)",
    "      free(res);",
    "    res = (char *) malloc(strlen(inp)+3);",
    "    sizeRes = strlen(inp)+3;",
    "    res[0] = '\\\"';",
    "  }",
};

void PrintHeaders(const char *finalName, const char *macroName) {
  bool msc = comp == MSC;
  PrintLine(MacroFile, "// C macro file");
  PrintLine(CodeFile, "#include <stdio.h>");
  PrintLine(MacroFile, "#include <string.h>");
  PrintLine(MacroFile, "#include <stdlib.h>");
  PrintLine(CodeFile, "FILE *stdcom;");
  for (const char *line : SupportLines) PrintLine(MacroFile, line);
  PrintLine(MacroFile, msc ? "  strcpy_s(&res[1], sizeRes, inp);" : "  strcpy(&res[1], inp);");
  PrintLine(MacroFile, msc ? "  strcat_s(res, sizeRes, \"\\\"\");" : "  strcat(res, \"\\\"\");");
  PrintLine(MacroFile, "  return(res);");
  PrintLine(MacroFile, "}");
  PrintLine(CodeFile, "// C output file");
  PrintExact(CodeFile, "#include \"%s\"\n", macroName, Verbatim);
  if (CompactForm) return WriteCompactMain();
  PrintLine(CodeFile, "int main() {");
  PrintExact(CodeFile, msc ? "fopen_s(&stdcom,\"%s\",\"w\");\n" : "stdcom = fopen(\"%s\",\"w\");\n",
             CString(finalName), Verbatim);
}

int PrintEpilogue() {
  if (in_text == 1) PrintText(CodeFile, "\");\n");
  FlushBuffer(BothFiles);
  PrintLine(CodeFile, "fclose(stdcom);");
  PrintLine(CodeFile, "}");
  return CloseFiles();
}
