##wchar_t c = L'{';
##char d = u8'}';
##const char32_t *e = U"{";
##const char *f = R"x({)x";
##int n = 1'000;
##if (c == L'{' && d == '}') {
n=##n## f=##f##
##}
