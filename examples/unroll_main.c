/* Checks the unrolled dot8 from unroll.C against a plain loop, for every
   length from 0 to 40 (so every count of left-over elements is tried). */
#include <stdio.h>
#include <stddef.h>

double dot8(const double *a, const double *b, size_t n);

int main(void)
{
    double a[40], b[40];
    for (int i = 0; i < 40; i++) {
        a[i] = i + 1;
        b[i] = 40 - i;
    }
    int wrong = 0;
    for (size_t n = 0; n <= 40; n++) {
        double plain = 0.0;
        for (size_t i = 0; i < n; i++)
            plain += a[i] * b[i];
        if (dot8(a, b, n) != plain)
            wrong++;
    }
    printf("dot8(40) = %g, %d lengths wrong\n", dot8(a, b, 40), wrong);
    return wrong != 0;
}
