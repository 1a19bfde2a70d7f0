#line 1 "s.C"
ab
cde
