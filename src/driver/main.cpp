// Vorn: a preprocessor for C and C++ whose macro language is C itself.
#include <csignal>
#include <cstdlib>

#include "driver/run.h"

int main(int argc, char **argv) {
  // Past a file size limit a write must fail and be reported, not kill the run;
  // a reader that went away (a build tool that closed our standard error)
  // makes a write fail too, and never ends the run before its cleanup.
  signal(SIGXFSZ, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
  exit(VornMain(argc, argv));
}
