fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","a");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 1 \"i.h\"\n");
fprintf(stdcom,"%s","x");
fprintf(stdcom, "%c",'\\');fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","b");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 4 \"s.C\"\n");
fprintf(stdcom,"%s","c");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
