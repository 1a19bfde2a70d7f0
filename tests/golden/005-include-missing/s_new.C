#line 2 "s.C"
a
#line 4 "s.C"
b
