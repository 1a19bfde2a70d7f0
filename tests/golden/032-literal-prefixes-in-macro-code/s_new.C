#line 7 "s.C"
n=1000 f={
