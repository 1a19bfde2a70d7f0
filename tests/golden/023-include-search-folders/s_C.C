fprintf(stdcom, "#line 1 \"inc2/x.h\"\n");
fprintf(stdcom,"%s","inc2 x");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 1 \"inc1/y.h\"\n");
fprintf(stdcom,"%s","inc1 y");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 1 \"w.h\"\n");
fprintf(stdcom,"%s","cwd w");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 1 \"parts/q.h\"\n");
fprintf(stdcom,"%s","parts q");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 6 \"s.C\"\n");
fprintf(stdcom,"%s","end");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
