/* "q" */ char c = '\n';
x = $1;	// end
