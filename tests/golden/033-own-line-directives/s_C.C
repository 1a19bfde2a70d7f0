fprintf(stdcom,"%s","﻿");
fprintf(stdcom, "#line 1 \"s.C\"\n");
fprintf(stdcom,"%s","#define F(x) x");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","int a = F(1 +");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","  ");
fprintf(stdcom,"%s","/* two\n     lines */");fprintf(stdcom,"%s"," 2);");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","#line 100 \"gen.y\"");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","int b;");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "#line 104 \"gen.y\"\n");
fprintf(stdcom,"%s","int c = ");
#line 11 "s.C"
fprintf(stdcom,_printType(_ftype1(k())),k());fprintf(stdcom,"%s",";");
fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","#line 7");
fprintf(stdcom, "%c",'\n');fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","int d;");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
