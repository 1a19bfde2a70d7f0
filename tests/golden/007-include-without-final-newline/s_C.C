fprintf(stdcom, "#line 1 \"t.h\"\n");
fprintf(stdcom,"%s","tail");
fprintf(stdcom, "%c",'\n');
#line 2 "s.C"
int k = 0;
fprintf(stdcom, "#line 3 \"s.C\"\n");
fprintf(stdcom,"%s","after");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 1 \"t.h\"\n");
fprintf(stdcom,"%s","tail");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 9 \"s.C\"\n");
fprintf(stdcom,"%s","last");
return _vclose(_printFailed);
}
