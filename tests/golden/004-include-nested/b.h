in b
##include "c.h"
after c
