fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","top");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 1 \"a.h\"\n");
fprintf(stdcom,"%s","in a");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 1 \"b.h\"\n");
fprintf(stdcom,"%s","in b");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 1 \"c.h\"\n");
fprintf(stdcom,"%s","in c");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 3 \"b.h\"\n");
fprintf(stdcom,"%s","after c");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 3 \"a.h\"\n");
fprintf(stdcom,"%s","after b");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 3 \"s.C\"\n");
fprintf(stdcom,"%s","after a");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
