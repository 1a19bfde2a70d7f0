#line 1 "s.C"
int printf(const char *, ...);
#if 0
/* a
   b */
int unused;
#elif defined(NOPE)
#  ifdef NOPE2
int n;
#  endif
#else
  #  ifndef NOPE
int x = __LINE__;
  #  endif
#endif
int main(void) { printf("%d\n", __LINE__); }
#ifdef NOPE
int quiet;
#endif
int loud = __LINE__;
#ifdef NOPE
#line 1 "part.h"
int part;
#line 22 "s.C"
#endif
#line 23 "s.C"
int tail = __LINE__;
#if 0
/* c
*/
#elif defined(A) || \
  defined(B)
int b = __LINE__;
#endif
int end = __LINE__;
