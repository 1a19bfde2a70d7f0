#line 1 "s.C"
q = '"'; w = L'\n'; z = '\\'; e = '\"';
don't
stop, it's fine
