#define CAT3(a,b,c) a\##b\##c
#define REG(n) r\##0\##n
##int k = 2;
int CAT3(x, y, z) = ##k##, REG(7) = 0;
const char *p = "\##"; /* \## stays */ char *q = \\##;
##MSTART
#define GLUE(a, b) a\##b
int GLUE(val, ue) = 3;
##MEND
int v = ##value##;
