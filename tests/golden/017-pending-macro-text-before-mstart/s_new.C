41
#line 7 "s.C"
x = 80;
