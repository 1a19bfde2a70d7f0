##include "parts/notice.inc"
/* The names of the days of the week, and their three-letter forms. */
##MSTART
char days[][10] = { "Monday", "Tuesday", "Wednesday", "Thursday", "Friday",
                    "Saturday", "Sunday" };
##MEND
const char *const day_names[7] = {
##for (int d = 0; d < 7; d++) {
    ##AddQuotes(days[d])##,
##}
};
const char *const day_abbrevs[7] = {
##for (int d = 0; d < 7; d++) {
##  days[d][ABBREV] = 0;
    ##AddQuotes(days[d])##,
##}
};
