fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","x");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 3 \"s.C\"\n");
fprintf(stdcom,"%s","y");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
