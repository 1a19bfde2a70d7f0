fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","s = \"\\0\\123\\a\\e\\u00e9\\x41\\n\\\\\\\"\\'\\?\";");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","c = ");fprintf(stdcom,"%s","'\\0'");fprintf(stdcom,"%s",";");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","w = p\\0q\\a\\\"u\rv;");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","r = \"x\ry\";");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
