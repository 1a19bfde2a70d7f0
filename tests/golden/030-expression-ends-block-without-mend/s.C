##MSTART
int twice(int v) { return 2 * v; }
 ##twice(3)##
##MSTART
int g(void) { return 1; }
 ##.fprintf(stdcom, "%d", g());##
end
