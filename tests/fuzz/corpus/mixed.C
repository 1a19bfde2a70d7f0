a ##.int z = 5;## b ##z## "s\0\e" L'\n' AN
##include "road.C"
##include <none>
##MEND
##MSTART
$9 ####
##MEND x
last