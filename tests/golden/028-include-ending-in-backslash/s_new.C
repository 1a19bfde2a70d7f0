#line 1 "s.C"
a
#line 1 "i.h"
x\
b
#line 4 "s.C"
c
