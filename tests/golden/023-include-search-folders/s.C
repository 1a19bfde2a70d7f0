##include "x.h"
##include "y.h"
##include "w.h"
##include "parts/a.inc"
##include "gone.h"
end
