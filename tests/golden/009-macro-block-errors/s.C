##MSTART
int f(void) { return 7; }
##MSTART again
int g(void) { return 8; }
##MEND
##MEND extra
v = ##f() + g()##;
##MSTART
  ##f()##
##MEND
