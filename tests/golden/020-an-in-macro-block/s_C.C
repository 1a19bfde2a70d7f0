fprintf(stdcom, "#line 4 \"s.C\"\n");
fprintf(stdcom,"%s","c = ");
fprintf(stdcom,_printType(_ftype1(CHANNEL + ANAN)),CHANNEL + ANAN);fprintf(stdcom,"%s","; ");
fprintf(stdcom,"%s","/* AN */");fprintf(stdcom,"%s"," ");
fprintf(stdcom,"%s","AN");fprintf(stdcom, "%c",'\n');fclose(stdcom);
}
