fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","#define CAT3(a,b,c) a##b##c");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","#define REG(n) r##0##n");
fprintf(stdcom, "%c",'\n');
#line 3 "s.C"
int k = 2;
fprintf(stdcom, "#line 4 \"s.C\"\n");
fprintf(stdcom,"%s","int CAT3(x, y, z) = ");
#line 4 "s.C"
fprintf(stdcom,_printType(_ftype1(k)),k);fprintf(stdcom,"%s",", REG(7) = 0;");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","const char *p = \"\\##\"; ");
fprintf(stdcom,"%s","/* \\## stays */");fprintf(stdcom,"%s"," char *q = ");
fprintf(stdcom, "%c",'\\');fprintf(stdcom,"%s","##;");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 10 \"s.C\"\n");
fprintf(stdcom,"%s","int v = ");
#line 10 "s.C"
fprintf(stdcom,_printType(_ftype1(value)),value);fprintf(stdcom,"%s",";");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
