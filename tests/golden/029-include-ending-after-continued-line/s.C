a
##include "i.h"
b
c
