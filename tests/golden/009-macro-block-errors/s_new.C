#line 7 "s.C"
v = 15;
7
