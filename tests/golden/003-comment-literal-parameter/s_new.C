#line 1 "s.C"
/* "q" */ char c = '\n';
#line 2 "s.C"
x = alpha;	// end
