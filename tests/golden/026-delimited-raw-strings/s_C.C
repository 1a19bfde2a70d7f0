fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","const char *sql = R\"sql(\n	SELECT \"a\" FROM t -- )\" inside\n#if 0\n##x## and $1 stay\n)sql\";");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","int after = __LINE__;");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","const char *u = u8R\"--(x)--\" LR\"(y)\";");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","const char *open = R\"eof(never closed \"x\"");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
