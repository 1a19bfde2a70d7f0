#line 1 "s.C"
#define CAT3(a,b,c) a##b##c
#define REG(n) r##0##n
#line 4 "s.C"
int CAT3(x, y, z) = 2, REG(7) = 0;
const char *p = "\##"; /* \## stays */ char *q = \##;
#line 10 "s.C"
int v = 3;
