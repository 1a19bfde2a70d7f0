fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","\"s\"");
fprintf(stdcom,"%s","/* c */");fprintf(stdcom, "%c",'\n');fclose(stdcom);
return _printFailed;
}
