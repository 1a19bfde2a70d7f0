#line 1 "s.C"
top
#line 1 "parts/a.inc"
a
#line 2 "parts/b.inc"
b 2
#line 1 "parts/c.inc"
c
#line 1 "w.h"
cwd w
#line 3 "s.C"
end
