##MSTART
int base = 40;
  ##base + 1##
##MSTART
int twice(int v) { return 2 * v; }
##MEND
x = ##twice(base)##;
