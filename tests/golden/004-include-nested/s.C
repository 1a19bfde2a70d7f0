top
##include "a.h"
after a
