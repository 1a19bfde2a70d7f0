#line 1 "s.C"
/* "q" */ char c = '\n';
x = alpha;	// end
