
#line 1 "s.C"
wchar_t c = L'{';

#line 2 "s.C"
char d = u8'}';

#line 3 "s.C"
const char32_t *e = U"{";

#line 4 "s.C"
const char *f = R"x({)x";

#line 5 "s.C"
int n = 1'000;

#line 6 "s.C"
if (c == L'{' && d == '}') {
fprintf(stdcom, "#line 7 \"s.C\"\n");
fprintf(stdcom,"%s","n=");
#line 7 "s.C"
fprintf(stdcom,_printType(_ftype1(n)),n);fprintf(stdcom,"%s"," f=");
#line 7 "s.C"
fprintf(stdcom,_printType(_ftype1(f)),f);fprintf(stdcom, "%c",'\n');
#line 8 "s.C"
}
return _vclose(_printFailed);
}
