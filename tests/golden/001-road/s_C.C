
#line 1 "s.C"
for (int i = 0; i < 2; i++) {
fprintf(stdcom, "#line 2 \"s.C\"\n");
fprintf(stdcom,"%s","x");
#line 2 "s.C"
fprintf(stdcom,_printType(_ftype1(i)),i);fprintf(stdcom, "%c",'\n');
#line 3 "s.C"
}
return _vclose(_printFailed);
}
