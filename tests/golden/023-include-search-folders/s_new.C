#line 1 "inc2/x.h"
inc2 x
#line 1 "inc1/y.h"
inc1 y
#line 1 "w.h"
cwd w
#line 1 "parts/q.h"
parts q
#line 6 "s.C"
end
