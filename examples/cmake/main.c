/* Prints what the generated tables hold. */
#include <stdio.h>
#include <stddef.h>

extern const long powers[];
extern const size_t npowers;
extern const char *const day_names[7];
extern const char *const day_abbrevs[7];

int main(void)
{
    printf("%zu powers, the last %ld\n", npowers, powers[npowers - 1]);
    printf("%s (%s) to %s (%s)\n", day_names[0], day_abbrevs[0], day_names[6], day_abbrevs[6]);
    return 0;
}
