#line 2 "s.C"
x0
#line 2 "s.C"
x1
