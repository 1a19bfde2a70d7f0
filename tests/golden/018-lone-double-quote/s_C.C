fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","s = \"a");
fprintf(stdcom, "%c",'\\');fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","b;");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
