#line 1 "s.C"
a 7 two\twords say "hi"\ $0 72
#line 5 "s.C"
b  14
