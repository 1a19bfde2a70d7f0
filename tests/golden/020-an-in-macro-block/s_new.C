#line 4 "s.C"
c = 7; /* AN */ AN
