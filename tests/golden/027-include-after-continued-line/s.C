a
b \
##include "p.h"
c
