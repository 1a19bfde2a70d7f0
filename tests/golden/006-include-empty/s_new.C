#line 1 "s.C"
x
#line 3 "s.C"
y
