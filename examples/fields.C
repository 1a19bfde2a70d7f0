/* A struct and the function that prints it, both from one list of fields:
   each field has its C type, its name and the printf conversion that shows it. */
##MSTART
struct field { char type[16]; char name[16]; char conversion[8]; };
struct field fields[] = {
    { "int",          "id",    "%d" },
    { "const char *", "name",  "%s" },
    { "double",       "price", "%.2f" },
    { "unsigned",     "stock", "%u" },
};
int nfields = sizeof fields / sizeof fields[0];

char *print_format(void)
{
    static char format[256];
    strcpy(format, "\"");
    for (int i = 0; i < nfields; i++) {
        strcat(format, i == 0 ? "" : " ");
        strcat(format, fields[i].name);
        strcat(format, "=");
        strcat(format, fields[i].conversion);
    }
    return strcat(format, "\\n\"");
}
##MEND
#include <stdio.h>

struct item {
##for (int i = 0; i < nfields; i++) {
    ##fields[i].type## ##fields[i].name##;
##}
};

static void print_item(FILE *out, const struct item *it)
{
    fprintf(out, ##print_format()##,
##for (int i = 0; i < nfields; i++) {
            ##.fprintf(stdcom, "it->%s%s", fields[i].name, i + 1 < nfields ? "," : ");");##
##}
}
