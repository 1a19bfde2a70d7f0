// Fixed beginning and end of the generated program.
#include "generator/prologue.h"

#include "build/settings.h"
#include "generator/codeform.h"
#include "generator/flags.h"
#include "generator/linedir.h"
#include "generator/macro.h"
#include "generator/output.h"
#include "generator/support.h"

// The support library of the generator program, in the order it is written:
// the type overloads that pick a print format for "##expr##", the format
// table, and CString and AddQuotes for macro code. A long prints with "%ld".
//
// Every basic type C does not promote to int has an overload of its own, so
// that overload resolution is never ambiguous. A floating value prints with
// "%g" when that reads back as the same value, and otherwise with the fewest
// more digits that do: only _ftype1 sees the value, so _Fcode encodes the
// format in the type code (100 + n for "%.ng", 200 + n for "%.nLg", 1000 more
// for a ".0" after a whole number, so that the constant stays floating where
// it lands: "1 / 2.0" is not "1 / 2"). A float is read back as a float.
// Infinities and NaN have no constant; they print as gcc's and clang's
// builtins (codes 14 to 17), which compile as C and C++.
//
// A value with no printed form (a pointer other than a string, a struct, a
// scoped enum...) is a compile error at its own line: _ftype1 gives it the
// type _NoPrintedForm, which every printing call refuses with an error named
// where the call stands. The variadic overload is the last choice of overload
// resolution, after every conversion; a class takes the template even when it
// converts to a number, since fprintf would still be handed the object itself;
// the template has a body, as a type local to macro code may not be named by
// a function left undefined. A code that still reaches "Unsuported type" at run time sets _printFailed, which main
// returns.
//
// Every write of the final source is checked, since a full disk or a file
// size limit must fail the run, not leave a cut file behind a status of 0:
// main returns _vclose, which closes the final source and turns an error of
// any earlier write, or of the close, into status 74, and tells Vorn the
// system's reason through the descriptor it names in VORN_REPORT_FD (run by
// hand, the program says it on standard error). Macro code that returns or
// exits early is checked the same way at exit.
//
// CString escapes so that the literal holds exactly the string's bytes in C
// and C++: controls and bytes 0x7F-0xFF as three octal digits, which no digit
// after them can extend; a '?' after a '?' as "\?", so that no trigraph
// stands in it. Its results come from a ring of 8 buffers, so that one
// statement can hold several.
static const char *const SupportLines[] = {
    "int _Fcode(long double v, int tp) {",
    "char s[64]; int n = 6;",
    "if (v != v) { snprintf(s, sizeof s, \"%Lg\", v); return s[0] == '-' ? 17 : 16; }",
    "if (v - v != v - v) return v < 0 ? 15 : 14;",
    "for (; n < 40; n++) { snprintf(s, sizeof s, \"%.*Lg\", n, v);",
    "if (tp == 5 ? strtof(s, 0) == (float)v : tp == 6 ? strtod(s, 0) == (double)v"
    " : strtold(s, 0) == v) break; }",
    "int whole = strpbrk(s, \".e\") == 0;",
    "return n == 6 && !whole ? tp : (tp == 13 ? 200 : 100) + n + (whole ? 1000 : 0); }",
    "int _ftype1(char p) { return 1;}",
    "int _ftype1(short p) { return 2;}",
    "int _ftype1(int p) { return p == -(int)(~0u >> 1) - 1 ? 20 : 3; }",
    "int _ftype1(long p) { return p == -(long)(~0ul >> 1) - 1 ? 21 : 4; }",
    "int _ftype1(float p) { return _Fcode(p, 5); }",
    "int _ftype1(double p) { return _Fcode(p, 6); }",
    "int _ftype1(char* p) { return 7;}",
    "int _ftype1(void) { return 8; }",
    "int _ftype1(unsigned int p) { return 9; }",
    "int _ftype1(unsigned long p) { return p > (~0ull >> 1) ? 23 : 10; }",
    "int _ftype1(long long p) { return p == -(long long)(~0ull >> 1) - 1 ? 22 : 11; }",
    "int _ftype1(unsigned long long p) { return p > (~0ull >> 1) ? 24 : 12; }",
    "int _ftype1(long double p) { return _Fcode(p, 13); }",
    "int _ftype1(const char* p) { return 7; }",
    "void _vputll(long long v) { long long m = (long long)(~0ull >> 1);",
    "if (v < -m) fprintf(stdcom, \"(-%lldLL - 1)\", m); else fprintf(stdcom, \"%lld\", v); }",
    "#ifdef __SIZEOF_INT128__",
    "int _ftype1(__int128 p) { long long m = (long long)(~0ull >> 1);",
    "if (p >= -m && p <= m) { fprintf(stdcom, \"%lld\", (long long)p); return 8; }",
    "fprintf(stdcom, \"((__int128)\"); _vputll((long long)(p >> 64));",
    "fprintf(stdcom, \" * 4294967296 * 4294967296 + %lluULL)\", (unsigned long long)p); return 8; }",
    "int _ftype1(unsigned __int128 p) { unsigned long long lo = (unsigned long long)p, hi = (unsigned long long)(p >> 64);",
    "if (hi == 0) fprintf(stdcom, lo > (~0ull >> 1) ? \"%lluULL\" : \"%llu\", lo);",
    "else fprintf(stdcom, \"((unsigned __int128)%lluULL * 4294967296 * 4294967296 + %lluULL)\", hi, lo);",
    "return 8; }",
    "#endif",
    "struct _NoPrintedForm {};",
    "_NoPrintedForm _ftype1(const volatile void *p);",
    "_NoPrintedForm _ftype1(...);",
    "template <class T> struct _IsClass { template <class U> static char _t(int U::*);"
    " template <class U> static long _t(...); enum { v = sizeof(_t<T>(0)) == 1 }; };",
    "template <bool, class T> struct _When {}; template <class T> struct _When<true, T> { typedef T type; };",
    "template <class T> typename _When<_IsClass<T>::v, _NoPrintedForm>::type _ftype1(const T &) { return _NoPrintedForm(); }",
    "#if __cplusplus >= 201103L",
    "_NoPrintedForm _ftype1(decltype(nullptr) p);",
    "#endif",
    "#define _NoPrintedMessage \"##expr## of a type with no printed form (a pointer, struct, class,"
    " scoped enum or array): print a member or a cast of it, or write it with"
    " ##.fprintf(stdcom, ...);##\"",
    "#if defined(__has_attribute)",
    "#if __has_attribute(error)",
    "#define _NoPrintedCall __attribute__((error(_NoPrintedMessage)))",
    "#endif",
    "#endif",
    "#ifdef _NoPrintedCall",
    "_NoPrintedCall char *_printType(_NoPrintedForm);",
    "#else",
    "char *_printType(_NoPrintedForm) = delete; // see _NoPrintedMessage",
    "#endif",
    "#define _Ftype(a)  _ftype(&a)",
    "int _printFailed = 0;",
    "#include <errno.h>",
    "int _vwriteFailed(int e) {",
    "const char *fd = getenv(\"VORN_REPORT_FD\"); FILE *r = fd ? fdopen(atoi(fd), \"w\") : NULL;",
    "if (r) { fprintf(r, \"%d\\n\", e ? e : EIO); fclose(r); }",
    "else fprintf(stderr, \"cannot write the final source: %s\\n\", strerror(e ? e : EIO));",
    "return 74; }",
    "int _vclose(int status) {",
    "if (!stdcom) return status;",
    "int e = errno, bad = ferror(stdcom); errno = 0;",
    "if (fclose(stdcom) != 0) { bad = 1; if (errno) e = errno; }",
    "stdcom = NULL; return bad ? _vwriteFailed(e) : status; }",
    "void _vatExit(void) { int s = _vclose(0); if (s) _Exit(s); }",
    "int _vatExitSet = atexit(_vatExit);",
    "char *_printType(int tp) {",
    "static char frm[5];",
    "frm[0] = 37;",
    "if (tp > 100) { static char fx[16];"
    " snprintf(fx, sizeof fx, tp % 1000 > 200 ? \"%%.%dLg%s\" : \"%%.%dg%s\", tp % 100,"
    " tp > 1000 ? \".0\" : \"\"); return(fx); }",
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
    "case 14: return((char *) \"__builtin_inf()\");",
    "case 15: return((char *) \"(-__builtin_inf())\");",
    "case 16: return((char *) \"__builtin_nan(\\\"\\\")\");",
    "case 17: return((char *) \"(-__builtin_nan(\\\"\\\"))\");",
    "case 20: case 21: case 22: { static char mn[64]; unsigned long long m = (tp == 20 ? ~0u : tp == 21 ? ~0ul : ~0ull) >> 1;",
    "snprintf(mn, sizeof mn, \"(-%llu%s - 1)\", m, tp == 20 ? \"\" : tp == 21 ? \"L\" : \"LL\"); return mn; }",
    "case 23: return((char *) \"%luUL\");",
    "case 24: return((char *) \"%lluULL\");",
    "default: fprintf(stderr, \"Unsuported type\\n\"); _printFailed = 1;",
    "frm[0]=0; break;",
    "} frm[2] = 0; return(frm);}",
    "const char *CString(const char *s) {",
    "static char *ring[8]; static size_t ringSize[8]; static int next = 0;",
    "int k = next; next = (next + 1) % 8;",
    "size_t need = 4 * strlen(s) + 3;",
    "if (need > ringSize[k]) { free(ring[k]); ring[k] = (char *) malloc(need); ringSize[k] = need; }",
    "char *o = ring[k]; *o++ = '\"';",
    "for (const unsigned char *p = (const unsigned char *) s; *p; p++) { unsigned c = *p;",
    "if (c == '\"' || c == '\\\\' || (c == '?' && p > (const unsigned char *) s && p[-1] == '?'))"
    " { *o++ = '\\\\'; *o++ = (char) c; }",
    "else if (c == '\\n') { *o++ = '\\\\'; *o++ = 'n'; }",
    "else if (c == '\\t') { *o++ = '\\\\'; *o++ = 't'; }",
    "else if (c < 32 || c > 126) { *o++ = '\\\\'; *o++ = (char) ('0' + (c >> 6));"
    " *o++ = (char) ('0' + (c >> 3 & 7)); *o++ = (char) ('0' + (c & 7)); }",
    "else *o++ = (char) c; }",
    "*o++ = '\"'; *o = 0; return(ring[k]); }",
    "char *res = NULL;",
    "unsigned int sizeRes = 0;",
    "char *AddQuotes(const char *inp)",
    "{",
    "  if (strlen(inp) + 3 > sizeRes) {",
    "    if (sizeRes != 0)",
    "      free(res);",
    "    res = (char *) malloc(strlen(inp)+3);",
    "    sizeRes = strlen(inp)+3;",
    "    res[0] = '\\\"';",
    "  }",
};

// The types, templates and macros among SupportLines, which every program
// needs in its own text: from the first line to the last of these.
static const char *const FirstShared = "struct _NoPrintedForm {};";
static const char *const LastShared = "#define _Ftype(a)  _ftype(&a)";

// The last lines of AddQuotes, which depend on the compiler.
static void AddQuotesEnd(bool msc, std::vector<std::string> &lines) {
  lines.push_back(msc ? "  strcpy_s(&res[1], sizeRes, inp);" : "  strcpy(&res[1], inp);");
  lines.push_back(msc ? "  strcat_s(res, sizeRes, \"\\\"\");" : "  strcat(res, \"\\\"\");");
  lines.push_back("  return(res);");
  lines.push_back("}");
}

std::vector<std::string> SupportPart(SupportLinesOf kind) {
  std::vector<std::string> lines;
  bool shared = false;
  for (const char *line : SupportLines) {
    if (std::string(line) == FirstShared) shared = true;
    if (kind == AllSupport || shared == (kind == SharedSupport)) lines.push_back(line);
    if (std::string(line) == LastShared) shared = false;
  }
  if (kind != SharedSupport) AddQuotesEnd(comp == MSC, lines);
  return lines;
}

void PrintHeaders(const char *finalName, const char *macroName) {
  bool msc = comp == MSC;
  for (const std::string &define : Defines) PrintLine(CodeFile, define);
  PrintLine(CodeFile, "#include <stdio.h>");
  PrintLine(CodeFile, "FILE *stdcom;");
  if (CompactForm) {
    PrintLine(MacroFile, CompactSupportText(false));
  } else {
    PrintLine(MacroFile, "// C macro file");
    PrintLine(MacroFile, "#include <string.h>");
    PrintLine(MacroFile, "#include <stdlib.h>");
    for (const std::string &line : SupportPart(AllSupport)) PrintLine(MacroFile, line);
  }
  PrintLine(CodeFile, "// C output file");
  PrintExact(CodeFile, "#include \"%s\"\n", macroName, Verbatim);
  if (CompactForm) return WriteCompactMain();
  PrintLine(CodeFile, "int main() {");
  PrintExact(CodeFile, msc ? "fopen_s(&stdcom,\"%s\",\"w\");\n" : "stdcom = fopen(\"%s\",\"w\");\n",
             CString(finalName), Verbatim);
}

int PrintEpilogue() {
  if (in_text == 1) CloseStatement("\");\n");
  FlushBuffer(BothFiles);
  PrintLine(CodeFile, "return _vclose(_printFailed);");
  PrintLine(CodeFile, "}");
  return CloseFiles();
}
