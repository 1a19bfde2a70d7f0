a
##include "self.h"
b
