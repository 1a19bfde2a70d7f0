
#line 1 "s.C"
for (int i = 0; i < 2; i++) {
fprintf(stdcom, "#line 2 \"s.C\"\n");
fprintf(stdcom,"%s","\"s\"");
fprintf(stdcom, "%c",'\n');
#line 3 "s.C"
int k = i;
fprintf(stdcom, "#line 4 \"s.C\"\n");
fprintf(stdcom,"%s","/* c */");fprintf(stdcom,"%s"," x");
fprintf(stdcom, "%c",'\n');
#line 5 "s.C"
k++;
fprintf(stdcom, "#line 6 \"s.C\"\n");
fprintf(stdcom,"%s","");fprintf(stdcom,"%s","'c'");fprintf(stdcom, "%c",'\n');
#line 7 "s.C"
k++;
fprintf(stdcom, "#line 8 \"s.C\"\n");
fprintf(stdcom,"%s","w");
fprintf(stdcom, "%c",'\n');
#line 9 "s.C"
k++;
fprintf(stdcom, "#line 10 \"s.C\"\n");
fprintf(stdcom,"%s","AN");fprintf(stdcom,"%s","other");
fprintf(stdcom, "%c",'\n');
#line 11 "s.C"
k++;
fprintf(stdcom, "#line 12 \"s.C\"\n");
#line 12 "s.C"
fprintf(stdcom,_printType(_ftype1(k)),k);fprintf(stdcom, "%c",'\n');
#line 13 "s.C"
}
return _vclose(_printFailed);
}
