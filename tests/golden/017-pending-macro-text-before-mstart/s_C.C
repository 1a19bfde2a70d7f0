#line 3 "s.C"
fprintf(stdcom,_printType(_ftype1(base + 1)),base + 1);fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 7 \"s.C\"\n");
fprintf(stdcom,"%s","x = ");
#line 7 "s.C"
fprintf(stdcom,_printType(_ftype1(twice(base))),twice(base));fprintf(stdcom,"%s",";");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
