// Line directives: when the final source needs a "#line" line, and the text
// of the directives in the generated files. Decisions only: the statement
// maker writes what they call for.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

extern int First;        // 1: a directive is wanted even for line 1 (start of the run, after an include)
extern int PnumChanged;         // the gate: a final-source directive may be written only while 1
extern int NoPnum;              // 1 inside a macro block: no final-source directive
extern int ConditionalDepth;    // conditional groups of the text open at this point; 0 outside all
extern int DirectiveInGroup;    // 1: a final-source directive was written in a group since a branch line
extern int DirectiveOwed;       // 1: the next text line that may get a directive gets one, jump or not
extern int LineSpliced;         // 1: the last text line ended in a backslash-newline, so the next continues it
extern int FinalLine;           // the line the compiler gives the final source's current line; -1 unknown
extern std::string FinalName;   // the file name it gives that line

// What a conditional line of the text does to the groups.
enum ConditionalKind {
  OpensGroup,   // #if, #ifdef, #ifndef
  NextBranch,   // #else, #elif, #elifdef, #elifndef
  ClosesGroup,  // #endif
};

// What a line of text asks of the statement maker.
enum DirectiveStep {
  NoDirective,        // nothing
  FlushOnly,          // the pending statements go out; no directive (line 1 once the run has begun)
  FlushAndDirective,  // the pending statements go out, then the directive
};

// --file-prefix-map pairs (OLD, NEW), in command-line order.
extern std::vector<std::pair<std::string, std::string>> FilePrefixMaps;

// The last --file-prefix-map whose OLD begins name; null when none does.
const std::pair<std::string, std::string> *PrefixMapOf(const std::string &name);
// name as the directives write it: the NEW of the last --file-prefix-map whose OLD begins it
// in place of that OLD (a plain prefix of characters, as gcc's option has it), or name itself.
std::string MappedName(const std::string &name);
// text as the inside of a C string literal: each backslash and double quote escaped.
std::string CString(std::string_view text);
// The text "#line N \"name\"" and a newline, for the generator program.
std::string DirectiveText(int line, const char *name);
// Makes out the bytes a final-source directive prints: "#line N \"name\"" and the line end of
// its file.
void DirectivePrints(std::string &out, int line, const char *name, bool crlf);
// Makes out the print statement of the generator program that prints DirectivePrints.
void DirectiveStatement(std::string &out, int line, const char *name, bool crlf);
// Decides for a line of text (name is the line's file): a directive is due when the line jumped,
// the file changed, or one is owed; on a line that continues another one it is owed instead.
DirectiveStep TextLineStep(int line, const char *name);
// Decides for line 1 of a file while a print statement is pending: 1 when its directive is
// written now; on a line that continues another one it too is owed to the next line.
int FirstLineStep();
// Notes that a final-source directive for line of name was written.
void NoteDirectiveWritten(int line, const char *name);
// Notes that the final source's next line is line of name by a directive of the template's own.
void FollowCompilerDirective(int line, const std::string &name);
// Notes line breaks that the final source receives from the template's text.
void NotePrintedBreaks(std::string_view printed);
// Follows a conditional line of the text: after a branch line that ends a stretch with a
// directive inside a group, the next text line gets a directive again.
void FollowConditional(ConditionalKind kind);
// Puts the line-directive state back to its start state.
void ResetLineDirectives();
