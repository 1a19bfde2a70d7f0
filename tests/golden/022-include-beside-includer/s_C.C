fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","top");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 1 \"parts/a.inc\"\n");
fprintf(stdcom,"%s","a");
fprintf(stdcom, "%c",'\n');
#line 1 "parts/b.inc"
int bb = 2;
fprintf(stdcom, "#line 2 \"parts/b.inc\"\n");
fprintf(stdcom,"%s","b ");
#line 2 "parts/b.inc"
fprintf(stdcom,_printType(_ftype1(bb)),bb);fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 1 \"parts/c.inc\"\n");
fprintf(stdcom,"%s","c");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 1 \"w.h\"\n");
fprintf(stdcom,"%s","cwd w");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 3 \"s.C\"\n");
fprintf(stdcom,"%s","end");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
