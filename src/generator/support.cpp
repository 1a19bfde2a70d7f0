// The compact form's support library.
//
// The macro file of the compact form holds the shared part (types, templates,
// macros) and then the definitions, guarded: a compile with _vlinked defined
// sees declarations only and links the prebuilt object, which was compiled
// from this same text with _vobject defined (declarations and definitions
// both, so that a declaration that disagrees with its definition fails the
// object's compile, not a user's). Without _vlinked the program is
// self-contained, as it always was.
//
// The definitions add to the designed library the reader of the text
// segments: _vs(k) prints segment k, returning what fprintf would. It reads
// the segments file through a window of 1 MiB, not whole, so that the
// program's memory does not grow with the template's text.
#include "generator/support.h"

#include <cctype>
#include <set>
#include <vector>

#include "build/settings.h"
#include "generator/prologue.h"

// What a program or the object must see of a definition it does not compile.
static const char *const Declarations[] = {
    "int _Fcode(long double, int);",
    "int _ftype1(char); int _ftype1(short); int _ftype1(int); int _ftype1(long);",
    "int _ftype1(float); int _ftype1(double); int _ftype1(char*); int _ftype1(void);",
    "int _ftype1(unsigned int); int _ftype1(unsigned long); int _ftype1(long long);",
    "int _ftype1(unsigned long long); int _ftype1(long double); int _ftype1(const char*);",
    "void _vputll(long long);",
    "#ifdef __SIZEOF_INT128__",
    "int _ftype1(__int128); int _ftype1(unsigned __int128);",
    "#endif",
    "extern int _printFailed;",
    "int _vwriteFailed(int); int _vclose(int); void _vatExit(void); extern int _vatExitSet;",
    "char *_printType(int);",
    "const char *CString(const char *);",
    "extern char *res; extern unsigned int sizeRes;",
    "char *AddQuotes(const char *);",
    "int _vs(unsigned long long); void _vload(const char *);",
};

// The reader of the text segments: the file ends with the end offset of each
// segment (8 bytes, little-endian), their count, and "VORNSEG1".
static const char *const SegmentReader[] = {
    "enum { _vWindow = 1 << 20 };",
    "static FILE *_vfile; static const char *_vpath = \"\";",
    "static unsigned long long *_vends, _vcount, _vtextEnd, _vwinAt, _vwinLen;",
    "static char *_vwin;",
    "static void _vunreadable(void) {",
    "fprintf(stderr, \"cannot read the text segments %s\\n\", _vpath); exit(1); }",
    "static unsigned long long _vword(const unsigned char *_vb) { unsigned long long _vv = 0;",
    "for (int _vi = 7; _vi >= 0; _vi--) _vv = _vv << 8 | _vb[_vi];",
    "return _vv; }",
    "static void _vfill(unsigned long long _vat) {",
    "unsigned long long _vn = _vtextEnd - _vat < _vWindow ? _vtextEnd - _vat : _vWindow;",
    "if (fseek(_vfile, (long)_vat, SEEK_SET) != 0 || fread(_vwin, 1, _vn, _vfile) != _vn) _vunreadable();",
    "_vwinAt = _vat; _vwinLen = _vn; }",
    "int _vs(unsigned long long _vk) {",
    "if (_vk >= _vcount) { fprintf(stderr, \"text segment %llu missing\\n\", _vk); exit(1); }",
    "unsigned long long _vat = _vk ? _vends[_vk - 1] : 0, _vto = _vends[_vk], _vdone = 0;",
    "while (_vat < _vto) {",
    "if (_vat < _vwinAt || _vat >= _vwinAt + _vwinLen) _vfill(_vat);",
    "unsigned long long _vm = _vwinAt + _vwinLen - _vat; if (_vm > _vto - _vat) _vm = _vto - _vat;",
    "_vdone += fwrite(_vwin + (_vat - _vwinAt), 1, _vm, stdcom); _vat += _vm; }",
    "return (int)_vdone; }",
    "void _vload(const char *_vname) {",
    "unsigned char _vb[16]; long _vn = -1; unsigned long long _vc = 0;",
    "if (_vname) _vpath = _vname;",
    "_vfile = _vname ? fopen(_vname, \"rb\") : NULL;",
    "if (_vfile && fseek(_vfile, 0, SEEK_END) == 0) _vn = ftell(_vfile);",
    "int _vok = _vn >= 16 && fseek(_vfile, _vn - 16, SEEK_SET) == 0 && fread(_vb, 1, 16, _vfile) == 16",
    "  && memcmp(_vb + 8, \"VORNSEG1\", 8) == 0;",
    "if (_vok) _vc = _vword(_vb);",
    "_vok = _vok && _vc <= (unsigned long long)(_vn - 16) / 8",
    "  && fseek(_vfile, _vn - 16 - 8 * (long)_vc, SEEK_SET) == 0;",
    "_vends = (unsigned long long *)malloc(8 * (_vok ? _vc + 1 : 1));",
    "_vwin = (char *)malloc(_vWindow);",
    "for (unsigned long long _vk = 0; _vok && _vk < _vc; _vk++) {",
    "_vok = fread(_vb, 1, 8, _vfile) == 8; _vends[_vk] = _vword(_vb);",
    "_vok = _vok && _vends[_vk] >= (_vk ? _vends[_vk - 1] : 0); }",
    "_vtextEnd = (unsigned long long)(_vn - 16 - 8 * (long)_vc);",
    "if (!_vok || !_vwin || (_vc ? _vends[_vc - 1] : 0) != _vtextEnd) _vunreadable();",
    "_vcount = _vc; }",
};

// A value with no printed form is refused at the unary + that takes its type
// code in the compact program, which stands at the expression's column.
static const char *const NoPrintedOperator[] = {
    "#ifdef _NoPrintedCall",
    "_NoPrintedCall int operator+(_NoPrintedForm);",
    "#else",
    "int operator+(_NoPrintedForm) = delete;",
    "#endif",
};

template <class Lines> static void Append(std::string &text, const Lines &lines) {
  for (const auto &line : lines) {
    text += line;
    text += '\n';
  }
}

// The system headers every program includes before any code of the template.
static void AppendHeaders(std::string &text) {
  Append(text, std::vector<std::string>{"#include <string.h>", "#include <stdlib.h>", "#include <errno.h>"});
}

std::string CompactSupportText(bool object) {
  std::string text = "// C macro file\n";
  if (object) text += "#define _vobject 1\n";
  AppendHeaders(text);
  Append(text, SupportPart(SharedSupport));
  Append(text, NoPrintedOperator);
  text += "#if defined(_vlinked) || defined(_vobject)\n";
  Append(text, Declarations);
  text += "#endif\n#ifndef _vlinked\n";
  Append(text, SupportPart(SupportDefinitions));
  Append(text, SegmentReader);
  text += "#endif";  // the line's end is the macro file's next write
  return text;
}

std::string SupportHeaderText() {
  std::string text = "#include <stdio.h>\nextern FILE *stdcom;\n";
  AppendHeaders(text);
  Append(text, Declarations);
  return text;
}

std::string SupportObjectText() {
  // The same text all along, for the library's lines depend on nothing but the compiler's kind.
  static std::string text[2];
  std::string &made = text[comp == MSC];
  if (made.empty()) made = "#include <stdio.h>\nextern FILE *stdcom;\n" + CompactSupportText(true) + "\n";
  return made;
}

bool NamesSupport(const std::string &name) {
  static std::set<std::string> names;
  if (names.empty()) {
    std::string text = SupportObjectText();
    for (size_t at = 0; at < text.size();) {
      size_t end = at;
      while (end < text.size() && (isalnum(static_cast<unsigned char>(text[end])) || text[end] == '_')) end++;
      if (end > at) names.insert(text.substr(at, end - at));
      at = end + 1;
    }
  }
  return names.count(name) != 0;
}
