#line 1 "s.C"
a
#line 3 "s.C"
b
