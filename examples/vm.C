/* A small stack machine put together from parts: the list of opcodes, the
   enum and name table made from it, and the interpreter, whose cases are the
   C statements given in the list. */
#include <stdio.h>
##include "vm_parts/opcodes.inc"
##include "vm_parts/names.inc"
##include "vm_parts/interp.inc"
