a $1 $2 $3 $0 $12
##MSTART
int seven = $1;
##MEND
b $4 ##seven * 2##
