##include "t.h"
##int k = 0;
after
##MSTART
##include "m.h"
int n = 2;
##MEND
##include "t.h"
last