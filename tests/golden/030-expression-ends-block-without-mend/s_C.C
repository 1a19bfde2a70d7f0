#line 3 "s.C"
fprintf(stdcom,_printType(_ftype1(twice(3))),twice(3));fprintf(stdcom, "%c",'\n');
#line 6 "s.C"
fprintf(stdcom, "%d", g());fprintf(stdcom, "%c",'\n');fprintf(stdcom,"%s","end");
fprintf(stdcom, "%c",'\n');return _vclose(_printFailed);
}
