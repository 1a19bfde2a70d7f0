##include "nothere.h"
a
##include <gone.h>
b
