// Line directives: "#line" lines in the generated files, and print statements
// that put "#line" lines into the final source when the text jumps.
#pragma once
#include <cstdio>
#include <string>
#include <string_view>

extern int OldLineCounter;      // line given to the last PnumT or PnumH call; -3 at start
extern std::string oldFname;    // file name of the last final-source directive decision
extern int First;               // 1: a directive is wanted even for line 1
extern int PnumChanged;         // the gate: a final-source directive may be written only while 1
extern int NoPnum;              // 1 inside a macro block: no final-source directive
extern int ConditionalDepth;    // conditional groups of the text open at this point; 0 outside all
extern int DirectiveInGroup;    // 1: a final-source directive was written in a group since a branch line
extern int DirectiveOwed;       // 1: the next text line that may get a directive gets one, jump or not
extern int LineSpliced;         // 1: the last text line ended in a backslash-newline, so the next continues it

// What a conditional line of the text does to the groups.
enum ConditionalKind {
  OpensGroup,   // #if, #ifdef, #ifndef
  NextBranch,   // #else, #elif, #elifdef, #elifndef
  ClosesGroup,  // #endif
};

// text as the inside of a C string literal: each backslash and double quote escaped.
std::string CString(std::string_view text);
// The text "#line N \"name\"" and a newline, for the generator program.
std::string DirectiveText(int line, const char *name);
// Writes "#line N \"name\"" to a generated file.
void Pnum(FILE *file, int line, const char *name);
// Writes a final-source directive statement if the line jumped or the file changed; on a line
// that continues another one it is owed to the next line instead.
void PnumT(int line, const char *name);
// Variant for line 1 of a file, called by the bookkeeping probe while a print statement is pending;
// on a line that continues another one it too owes the directive to the next line.
void PnumH(int line, const char *name);
// Follows a conditional line of the text: after a branch line that ends a stretch with a
// directive inside a group, the next text line gets a directive again.
void FollowConditional(ConditionalKind kind);
// Puts the line-directive state back to its start state.
void ResetLineDirectives();
