#line 1 "s.C"
a
#line 1 "i.h"
p \
q
#line 3 "s.C"
b
c
