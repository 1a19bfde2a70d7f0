#line 1 "s.C"
s = "a\
b;
