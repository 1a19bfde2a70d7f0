// What a run removes when it is stopped by a signal: the partial final
// source and Vorn's own temporary files. The list is read by a signal
// handler, so it changes only while the stop signals are blocked.
#pragma once
#include <csignal>
#include <string>

// How a listed path is removed.
enum StopKind {
  StopQuiet = 0,  // a temporary file: removed without a word
  StopReport = 1, // the partial final source: removed, and the removal said
  StopFolder = 2  // a temporary folder: removed once empty (listed before its files)
};

extern const int StopSignals[3]; // the signals that stop a run: SIGINT, SIGTERM, SIGHUP
// Adds the stop signals to set.
void AddStopSignals(sigset_t *set);

// Lists path for removal should the run be stopped.
void RemoveOnStop(const std::string &path, StopKind kind = StopQuiet);
// Takes path off the list (its latest entry): the run has finished with it.
void KeepOnStop(const std::string &path);
// Ends a run stopped by signal: removes what is listed, says so on standard
// error and ends the process by that signal. Uses only async-signal-safe calls.
[[noreturn]] void DieStopped(int signal);
// Ends a run that cannot go on (a fatal condition of the scanner or the build
// steps): removes what is listed, writes message to standard error and exits with status.
[[noreturn]] void EndRun(const char *message, int status);
// Empties the list.
void ResetCleanup();
