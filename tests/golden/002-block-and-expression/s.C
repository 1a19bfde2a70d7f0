##MSTART
int twice(int v) { return 2 * v; }
##MEND
##int n = 21;
int x = ##twice(n)##;
char *s = "a\tb";
