/* What the tables hold. The macro code of powers.C includes this header, so
   the build runs Vorn on powers.C again when it changes. */
#define POWERS_MAX 2147483647L /* the largest power in the table */
