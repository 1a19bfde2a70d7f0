#line 1 "s.C"
int printf(const char *, ...);
#if 0
/* a
   b */
#line 5 "s.C"
int unused;
#elif defined(NOPE)
#line 7 "s.C"
#  ifdef NOPE2
int n;
#  endif
#line 10 "s.C"
#else
#line 11 "s.C"
  #  ifndef NOPE
int x = __LINE__;
  #  endif
#line 14 "s.C"
#endif
#line 15 "s.C"
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
#line 27 "s.C"
#elif defined(A) || \
  defined(B)
#line 29 "s.C"
int b = __LINE__;
#endif
#line 31 "s.C"
int end = __LINE__;
