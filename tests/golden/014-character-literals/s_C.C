fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","q = ");fprintf(stdcom,"%s","'\"'");fprintf(stdcom,"%s","; w = ");fprintf(stdcom,"%s","L'\\n'");fprintf(stdcom,"%s","; z = ");fprintf(stdcom,"%s","'\\\\'");fprintf(stdcom,"%s","; e = ");fprintf(stdcom,"%s","'\\\"'");fprintf(stdcom,"%s",";");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","don");fprintf(stdcom,"%s","'t\nstop, it'");fprintf(stdcom,"%s","s fine");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
