// Child processes of the build steps. Each child runs in a process group of
// its own, so that stopping Vorn, or a step past its time limit, stops
// everything the step started (the compiler driver's cc1plus, as and ld; what
// a generator program starts), and a terminal's Ctrl-C reaches it through Vorn.
#pragma once
#include <csignal>
#include <string>
#include <vector>

extern volatile sig_atomic_t StopSignal;   // the signal that stopped the run; 0 while none came
extern volatile sig_atomic_t StepTimedOut; // 1 when the last step was stopped for its time limit
extern double StepTimeLimit;               // --timeout: seconds a step may run; 0 for no limit
extern unsigned long long ChildFileLimit;  // bytes any file a child writes may reach; 0 for no limit of ours

// The file size limit Vorn was started with (ulimit -f), in bytes; 0 for none.
unsigned long long InheritedFileLimit();
// Catches SIGINT, SIGTERM and SIGHUP (those not ignored when Vorn started):
// a signal is passed on to the running child's group, or, between children,
// ends the run at once (DieStopped).
void InstallStopHandlers();
// Starts program with args (args[0] first) in a group of its own and waits for it;
// the raw wait status, or -1 when it could not be started, -2 when the wait failed.
// A run stopped by a signal meanwhile does not return: it ends through DieStopped.
// Starts program with args in a group of its own, silent, to run beside the children
// RunChild waits for; its pid, or -1. A stop signal ends it at once.
int StartSideChild(const char *program, const std::vector<std::string> &args);
// Waits for a child of StartSideChild; its wait status, or -1 / -2 as for RunChild.
int WaitSideChild(int pid);
// silent sends the child's standard output and standard error to /dev/null.
int RunChild(const char *program, const std::vector<std::string> &args,
             const std::string &diagnostic, bool silent = false);
