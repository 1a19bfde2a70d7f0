fprintf(stdcom, "#line 4 \"s.C\"\n");
fprintf(stdcom,"%s","c = ");
#line 4 "s.C"
fprintf(stdcom,_printType(_ftype1(CHANNEL + ANAN)),CHANNEL + ANAN);fprintf(stdcom,"%s","; ");
fprintf(stdcom,"%s","/* AN */");fprintf(stdcom,"%s"," ");
fprintf(stdcom,"%s","AN");fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
