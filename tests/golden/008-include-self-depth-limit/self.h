##include "self.h"
