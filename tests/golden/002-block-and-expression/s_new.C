#line 5 "s.C"
int x = 42;
char *s = "a\tb";
