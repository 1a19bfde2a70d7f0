#line 1 "s.C"
top
#line 1 "a.h"
in a
#line 1 "b.h"
in b
#line 1 "c.h"
in c
#line 3 "b.h"
after c
#line 3 "a.h"
after b
#line 3 "s.C"
after a
