fprintf(stdcom, "#line 7 \"s.C\"\n");
fprintf(stdcom,"%s","v = ");
#line 7 "s.C"
fprintf(stdcom,_printType(_ftype1(f() + g())),f() + g());fprintf(stdcom,"%s",";");
fprintf(stdcom, "%c",'\n');
#line 9 "s.C"
fprintf(stdcom,_printType(_ftype1(f())),f());fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
