fprintf(stdcom, "#line 1 \"s.C\"\r\n");
fprintf(stdcom,"%s","first line");
fprintf(stdcom, "%c",'\r');fprintf(stdcom, "%c",'\n');
#line 2 "s.C"
for (int i = 0; i < 2; i++) {
fprintf(stdcom, "#line 3 \"s.C\"\r\n");
fprintf(stdcom,"%s","item ");
#line 3 "s.C"
fprintf(stdcom,_printType(_ftype1(i)),i);fprintf(stdcom, "%c",'\r');fprintf(stdcom, "%c",'\n');
#line 4 "s.C"
}
fprintf(stdcom, "#line 1 \"inc.h\"\r\n");
fprintf(stdcom,"%s","from include");
fprintf(stdcom, "%c",'\r');fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","no newline");
fprintf(stdcom, "%c",'\r');fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 6 \"s.C\"\r\n");
fprintf(stdcom, "%c",'\r');fprintf(stdcom, "%c",'\n');fprintf(stdcom, "%c",'\r');fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","last ");
#line 8 "s.C"
fprintf(stdcom,_printType(_ftype1(2.0)),2.0);fprintf(stdcom, "%c",'\r');fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
