
#line 4 "s.C"
int n = 21;
fprintf(stdcom, "#line 5 \"s.C\"\n");
fprintf(stdcom,"%s","int x = ");
#line 5 "s.C"
fprintf(stdcom,_printType(_ftype1(twice(n))),twice(n));fprintf(stdcom,"%s",";");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","char *s = \"a\\tb\";");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
