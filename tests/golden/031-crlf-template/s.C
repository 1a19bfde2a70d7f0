first line
##for (int i = 0; i < 2; i++) {
item ##i##
##}
##include "inc.h"


last ##2.0##
