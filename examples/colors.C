/* One list of names gives the enum, the name of each value and the lookup
   from a name back to its value: adding a colour is a one-line change. */
##MSTART
char colors[][8] = { "RED", "ORANGE", "YELLOW", "GREEN", "BLUE", "VIOLET" };
int ncolors = sizeof colors / sizeof colors[0];
##MEND
#include <string.h>

enum color {
##for (int i = 0; i < ncolors; i++) {
    COLOR_##colors[i]## = ##i##,
##}
    COLOR_COUNT = ##ncolors##
};

static const char *color_name(enum color c)
{
    switch (c) {
##for (int i = 0; i < ncolors; i++) {
    case COLOR_##colors[i]##: return ##AddQuotes(colors[i])##;
##}
    default: return "?";
    }
}

/* The colour of that name, or COLOR_COUNT when there is none. */
static enum color color_from_name(const char *name)
{
##for (int i = 0; i < ncolors; i++) {
    if (strcmp(name, ##AddQuotes(colors[i])##) == 0) return COLOR_##colors[i]##;
##}
    return COLOR_COUNT;
}
