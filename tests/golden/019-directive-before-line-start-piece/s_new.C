#line 2 "s.C"
"s"
#line 4 "s.C"
/* c */ x
#line 6 "s.C"
'c'
#line 8 "s.C"
w
#line 10 "s.C"
ANother
#line 12 "s.C"
4
#line 2 "s.C"
"s"
#line 4 "s.C"
/* c */ x
#line 6 "s.C"
'c'
#line 8 "s.C"
w
#line 10 "s.C"
ANother
#line 12 "s.C"
5
