fprintf(stdcom, "#line 2 \"s.C\"\n");
fprintf(stdcom,"%s","a");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 4 \"s.C\"\n");
fprintf(stdcom,"%s","b");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
