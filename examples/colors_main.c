/* Uses the functions that colors.C generates: names every colour, then
   looks up each argument by name. */
#include <stdio.h>

#include "colors.gen.h"

int main(int argc, char **argv)
{
    for (int c = 0; c < COLOR_COUNT; c++)
        printf("%d %s\n", c, color_name((enum color)c));
    for (int i = 1; i < argc; i++)
        printf("%s -> %d\n", argv[i], (int)color_from_name(argv[i]));
    return 0;
}
