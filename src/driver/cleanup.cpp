// What a stopped run removes.
#include "driver/cleanup.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {
struct StopPath {
  std::string path;
  StopKind kind;
};
}  // namespace

const int StopSignals[3] = {SIGINT, SIGTERM, SIGHUP};

void AddStopSignals(sigset_t *set) {
  for (int s : StopSignals) sigaddset(set, s);
}

// Read by the signal handler; changed only with the stop signals blocked.
static std::vector<StopPath> Listed;

// Blocks the stop signals while the list changes.
class SignalsHeld {
 public:
  SignalsHeld() {
    sigset_t stop;
    sigemptyset(&stop);
    AddStopSignals(&stop);
    sigprocmask(SIG_BLOCK, &stop, &saved_);
  }
  ~SignalsHeld() { sigprocmask(SIG_SETMASK, &saved_, nullptr); }
 private:
  sigset_t saved_;
};

void RemoveOnStop(const std::string &path, StopKind kind) {
  SignalsHeld held;
  Listed.push_back({path, kind});
}

void KeepOnStop(const std::string &path) {
  SignalsHeld held;
  for (size_t i = Listed.size(); i-- > 0;) {
    if (Listed[i].path != path) continue;
    Listed.erase(Listed.begin() + static_cast<long>(i));
    return;
  }
}

void ResetCleanup() {
  SignalsHeld held;
  Listed.clear();
}

static void Say(const char *text) {
  ssize_t ignored = write(STDERR_FILENO, text, strlen(text));
  (void)ignored;
}

static const char *SignalName(int signal) {
  switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    default: return "a signal";
  }
}

// Removes what is listed, files first, folders last (a folder is listed
// before the files in it); the partial final source it removed, or null.
static const char *RemoveListed() {
  const char *removed = nullptr;  // a run has one final source
  for (size_t i = Listed.size(); i-- > 0;) {
    const StopPath &entry = Listed[i];
    if (entry.kind == StopFolder)
      rmdir(entry.path.c_str());
    else if (unlink(entry.path.c_str()) == 0 && entry.kind == StopReport)
      removed = entry.path.c_str();
  }
  return removed;
}

void DieStopped(int signal) {
  // A second stop signal, from a terminal or a build tool, finds this one under way.
  sigset_t stop;
  sigemptyset(&stop);
  AddStopSignals(&stop);
  sigprocmask(SIG_BLOCK, &stop, nullptr);
  // All of it before a word is said: standard error may be a pipe that
  // nobody reads any more.
  const char *removed = RemoveListed();
  Say("vorn: error: stopped by ");
  Say(SignalName(signal));
  Say("\n");
  if (removed != nullptr) {
    Say("vorn: removed the partial final source ");
    Say(removed);
    Say("\n");
  }
  ::signal(signal, SIG_DFL);
  sigset_t only;
  sigemptyset(&only);
  sigaddset(&only, signal);
  sigprocmask(SIG_UNBLOCK, &only, nullptr);
  raise(signal);
  _exit(128 + signal);
}

void EndRun(const char *message, int status) {
  sigset_t stop;
  sigemptyset(&stop);
  AddStopSignals(&stop);
  sigprocmask(SIG_BLOCK, &stop, nullptr);
  RemoveListed();
  fflush(stdout);
  fprintf(stderr, "%s", message);
  exit(status);
}
