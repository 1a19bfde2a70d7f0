#define CAT3(a,b,c) a\##b\##c
#if 0
/* a
   b */
int unused;
  #  elif defined(X)
const char *s = u8R"sql(
	"q" )sql";
#endif
int x = __LINE__;
const char *t = R"x(never closed "y" R"z(
