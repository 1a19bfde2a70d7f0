fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","/* \"q\" */");fprintf(stdcom,"%s"," char c = ");fprintf(stdcom,"%s","'\\n'");fprintf(stdcom,"%s",";");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","x = alpha;");
fprintf(stdcom, "%c",'\t');fprintf(stdcom,"%s","// end");

fprintf(stdcom,"\n");
return _vclose(_printFailed);
}
