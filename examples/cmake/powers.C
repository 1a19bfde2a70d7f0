##include "parts/notice.inc"
/* The powers of $1 up to POWERS_MAX of params.h, as a table of $2. */
##MSTART
#include "params.h"
long base = $1;
##MEND
#include <stddef.h>

const $2 powers[] = {
##for (long p = 1; p <= POWERS_MAX; p *= base) {
    ##p##,
##}
};
const size_t npowers = sizeof powers / sizeof powers[0];
