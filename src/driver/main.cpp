// Vorn: a preprocessor for C and C++ whose macro language is C itself.
#include <csignal>
#include <cstdlib>

#include "driver/run.h"

int main(int argc, char **argv) {
  // Past a file size limit a write must fail and be reported, not kill the run.
  signal(SIGXFSZ, SIG_IGN);
  exit(VornMain(argc, argv));
}
