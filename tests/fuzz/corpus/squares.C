/* A table of squares, computed when the source is generated. */
##MSTART
int square(int v) { return v * v; }
##MEND
static const int squares[] = {
##for (int i = 0; i < 8; i++) {
    ##square(i)##,
##}
};
const char *table_name = "squares";
