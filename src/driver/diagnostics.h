// Diagnostics of a run: template errors in the compilers' form, Vorn's own
// errors and warnings, and the quiet mode that keeps standard output empty.
#pragma once
#include <string>

extern int Quiet;          // 1 with -q: nothing on standard output
extern int TemplateErrors; // template errors and unrecognised options so far; any makes the status 1
extern int TemplateMistakes; // the template errors among them: mistakes found at a template line

// Reports a mistake in the template as "file:line: error: text" on standard
// error, the form editors and build logs understand; the run goes on.
void TemplateError(const std::string &file, int line, const std::string &text);
// Reports a template error at the current line of the current input file.
void TemplateErrorHere(const std::string &text);
// Counts a mistake already reported in its own words (an unrecognised option).
void CountError();
// "vorn: error: text" on standard error.
void VornError(const std::string &text);
// A problem with a designed report of its own on standard error: the designed
// text in a default run, "vorn: error: " + quietText in a quiet one, so that a
// quiet run names each problem once, in one form.
void DesignedError(const std::string &designed, const std::string &quietText);
// "vorn: warning: text" on standard error.
void VornWarning(const std::string &text);
// From now on standard output, ours and the children's, goes nowhere.
void SilenceStdout();
// Puts the diagnostics back to their start state.
void ResetDiagnostics();
