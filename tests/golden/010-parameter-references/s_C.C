fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","a 7 two\\twords say \"hi\"\\ $0 72");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 5 \"s.C\"\n");
fprintf(stdcom,"%s","b  ");
#line 5 "s.C"
fprintf(stdcom,_printType(_ftype1(seven * 2)),seven * 2);fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
