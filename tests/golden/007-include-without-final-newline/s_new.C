#line 1 "t.h"
tail
#line 3 "s.C"
after
#line 1 "t.h"
tail
#line 9 "s.C"
last