#line 1 "s.C"
s = "\0\123\a\e\u00e9\x41\n\\\"\'\?";
c = '\0';
w = p\0q\a\"uv;
r = "xy";
