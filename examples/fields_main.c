/* Fills two items and prints them with the print_item that fields.C generates. */
#include "fields.gen.h"

int main(void)
{
    struct item items[] = {
        { 7, "bolt", 0.25, 120 },
        { 12, "hinge", 3.5, 8 },
    };
    for (int i = 0; i < 2; i++)
        print_item(stdout, &items[i]);
    return 0;
}
