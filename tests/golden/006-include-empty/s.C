x
##include "empty.h"
y
