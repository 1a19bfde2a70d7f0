// Vorn: a preprocessor for C and C++ whose macro language is C itself.
#include <cstdlib>

#include "driver/run.h"

int main(int argc, char **argv) { exit(VornMain(argc, argv)); }
