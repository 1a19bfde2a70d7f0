fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","a");
fprintf(stdcom, "%c",'\0');fprintf(stdcom,"%s","b \"c");fprintf(stdcom, "%c",'\0');fprintf(stdcom,"%s","d\" ");fprintf(stdcom,"%s","'e");fprintf(stdcom, "%c",'\0');fprintf(stdcom,"%s","'");fprintf(stdcom,"%s"," ");
fprintf(stdcom,"%s","/*");fprintf(stdcom, "%c",'\0');fprintf(stdcom,"%s","*/");fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","// f");fprintf(stdcom, "%c",'\0');fprintf(stdcom,"%s","");

fprintf(stdcom,"\n");
fprintf(stdcom, "#line 6 \"s.C\"\n");
fprintf(stdcom,"%s","n = ");
#line 6 "s.C"
fprintf(stdcom,_printType(_ftype1((int) sizeof g)),(int) sizeof g);fprintf(stdcom,"%s",";");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
