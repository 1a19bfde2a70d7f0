// Child processes of the build steps.
//
// Vorn waits for one child at a time. While it waits, ChildGroup names the
// child's process group: a stop signal is sent on to that group and the run
// ends once the child is reaped; SIGALRM marks the time limit, which sends
// SIGTERM to the group and, if the group is still there two seconds later,
// SIGKILL. Signals are held from before fork until ChildGroup is set, so a
// signal never finds the child started but not yet known.
#include "build/process.h"

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "driver/cleanup.h"

volatile sig_atomic_t StopSignal = 0;
volatile sig_atomic_t StepTimedOut = 0;
double StepTimeLimit = 0;
unsigned long long ChildFileLimit = 0;

static volatile sig_atomic_t ChildGroup = 0; // group of the child waited for; 0 between children
static volatile sig_atomic_t SideGroup = 0;  // group of a child running beside it; 0 for none
static volatile sig_atomic_t Escalated = 0;  // 1 once SIGTERM was sent for the time limit
static const double KillGrace = 2.0;         // seconds from SIGTERM to SIGKILL past the limit

static void OnStop(int signal) {
  if (StopSignal == 0) StopSignal = signal;
  if (SideGroup > 0) kill(-SideGroup, SIGKILL);
  if (ChildGroup > 0) {
    kill(-ChildGroup, signal);
    return;
  }
  DieStopped(signal);
}

static void Arm(double seconds) {
  struct itimerval timer = {};
  timer.it_value.tv_sec = static_cast<time_t>(seconds);
  timer.it_value.tv_usec = static_cast<suseconds_t>((seconds - timer.it_value.tv_sec) * 1e6);
  if (seconds > 0 && timer.it_value.tv_sec == 0 && timer.it_value.tv_usec == 0)
    timer.it_value.tv_usec = 1;
  setitimer(ITIMER_REAL, &timer, nullptr);
}

static void OnAlarm(int) {
  if (ChildGroup <= 0) return;
  StepTimedOut = 1;
  kill(-ChildGroup, Escalated ? SIGKILL : SIGTERM);
  if (!Escalated) Arm(KillGrace);
  Escalated = 1;
}

static void Catch(int signal, void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  AddStopSignals(&action.sa_mask);
  sigaction(signal, &action, nullptr);
}

void InstallStopHandlers() {
  for (int s : StopSignals) {
    struct sigaction old = {};
    sigaction(s, nullptr, &old);
    // A signal ignored by whoever started Vorn (nohup, a background job) stays ignored.
    if (old.sa_handler != SIG_IGN) Catch(s, OnStop);
  }
  Catch(SIGALRM, OnAlarm);
}

static sigset_t HeldSignals() {
  sigset_t held;
  sigemptyset(&held);
  AddStopSignals(&held);
  sigaddset(&held, SIGALRM);
  return held;
}

// Lowers the file size limit to bytes; a lower limit already in force stays.
static void LowerFileLimit(unsigned long long bytes) {
  struct rlimit limit;
  if (getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
  if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur <= bytes) return;
  limit.rlim_cur = static_cast<rlim_t>(bytes);
  if (limit.rlim_max != RLIM_INFINITY && limit.rlim_max < limit.rlim_cur) limit.rlim_cur = limit.rlim_max;
  setrlimit(RLIMIT_FSIZE, &limit);
}

unsigned long long InheritedFileLimit() {
  struct rlimit limit;
  if (getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 0;
  return limit.rlim_cur;
}

// In the child: a group of its own, Vorn's handlers gone, ended should Vorn die.
[[noreturn]] static void StartChild(const char *program, char *const argv[],
                                    const std::string &diagnostic, pid_t parent,
                                    const sigset_t &mask, bool silent) {
  setpgid(0, 0);
  int null = silent ? open("/dev/null", O_WRONLY) : -1;
  if (null >= 0) dup2(null, STDOUT_FILENO), dup2(null, STDERR_FILENO), close(null);
#ifdef PR_SET_PDEATHSIG
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);
#endif
  for (int s : StopSignals) {
    struct sigaction old = {};
    sigaction(s, nullptr, &old);
    if (old.sa_handler != SIG_IGN) signal(s, SIG_DFL);
  }
  signal(SIGALRM, SIG_DFL);
  if (ChildFileLimit > 0) LowerFileLimit(ChildFileLimit);
  signal(SIGXFSZ, SIG_DFL);  // the children get the defaults our own run set aside
  signal(SIGPIPE, SIG_DFL);
  sigprocmask(SIG_SETMASK, &mask, nullptr);
  execv(program, argv);
  fputs(diagnostic.c_str(), stderr);
  perror("");
  _exit(127);
}

static int WaitChild(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) != pid)
    if (errno != EINTR) return -2;
  return status;
}

// Forks program in a group of its own, which group names from before the
// signals are let through again; the child's pid, or -1.
static pid_t Spawn(const char *program, const std::vector<std::string> &args,
                   const std::string &diagnostic, bool silent, volatile sig_atomic_t &group) {
  std::vector<char *> argv;
  for (const std::string &word : args) argv.push_back(const_cast<char *>(word.c_str()));
  argv.push_back(nullptr);
  fflush(stdout);  // our own output stays ahead of the child's
  fflush(stderr);
  sigset_t held = HeldSignals(), mask;
  sigprocmask(SIG_BLOCK, &held, &mask);
  pid_t parent = getpid();
  pid_t pid = fork();
  if (pid == 0) StartChild(program, argv.data(), diagnostic, parent, mask, silent);
  if (pid > 0) {
    setpgid(pid, pid);
    group = pid;
  }
  sigprocmask(SIG_SETMASK, &mask, nullptr);
  return pid;
}

// After a child is reaped: its group forgotten, and, when the run was cut
// short, whatever the child left running in it ended.
static void Reaped(pid_t pid, volatile sig_atomic_t &group) {
  sigset_t held = HeldSignals(), mask;
  sigprocmask(SIG_BLOCK, &held, &mask);
  group = 0;
  if (StopSignal != 0 || StepTimedOut) kill(-pid, SIGKILL);
  sigprocmask(SIG_SETMASK, &mask, nullptr);
}

int RunChild(const char *program, const std::vector<std::string> &args,
             const std::string &diagnostic, bool silent) {
  StepTimedOut = Escalated = 0;
  pid_t pid = Spawn(program, args, diagnostic, silent, ChildGroup);
  if (pid < 0) return -1;
  if (StepTimeLimit > 0) Arm(StepTimeLimit);
  int status = WaitChild(pid);
  Arm(0);
  Reaped(pid, ChildGroup);
  if (StopSignal != 0) DieStopped(StopSignal);
  return status;
}

int StartSideChild(const char *program, const std::vector<std::string> &args) {
  return Spawn(program, args, "", true, SideGroup);
}

int WaitSideChild(int pid) {
  if (pid < 0) return -1;
  int status = WaitChild(pid);
  Reaped(pid, SideGroup);
  if (StopSignal != 0) DieStopped(StopSignal);
  return status;
}
