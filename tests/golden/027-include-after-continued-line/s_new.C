#line 1 "s.C"
a
b \
d
#line 4 "s.C"
c
