##include "parts/notice.inc"
/* The powers of $1 that fit a signed 32-bit integer, as a table of $2. */
##MSTART
long base = $1;
##MEND
#include <stddef.h>

const $2 powers[] = {
##for (long p = 1; p <= 2147483647L; p *= base) {
    ##p##,
##}
};
const size_t npowers = sizeof powers / sizeof powers[0];
