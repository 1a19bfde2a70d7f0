fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","\"s\"");
fprintf(stdcom,"%s","/* c */");fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
