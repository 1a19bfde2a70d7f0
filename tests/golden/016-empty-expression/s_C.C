fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","a");
fprintf(stdcom,"%s","b");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","c");
fprintf(stdcom,"%s","d");
#line 2 "s.C"
fprintf(stdcom,"%s","e");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
