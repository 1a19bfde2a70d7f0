/* A dot product with its inner loop unrolled by Vorn.  Generate it with
       vorn -cunroll -M 8 dot8
   for an 8-wide version named dot8: $1 is the width, $2 the name. */
##MSTART
int width = $1;
##MEND
#include <stddef.h>

double $2(const double *a, const double *b, size_t n)
{
    double sum = 0.0;
    size_t i = 0;
    for (; i + ##width## <= n; i += ##width##) {
##for (int k = 0; k < width; k++) {
        sum += a[i + ##k##] * b[i + ##k##];
##}
    }
    for (; i < n; i++)  /* the elements left over */
        sum += a[i] * b[i];
    return sum;
}
