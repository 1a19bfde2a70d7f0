#line 1 "s.C"
first line
#line 3 "s.C"
item 0
#line 3 "s.C"
item 1
#line 1 "inc.h"
from include
no newline
#line 6 "s.C"


last 2.0
