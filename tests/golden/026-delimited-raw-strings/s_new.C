#line 1 "s.C"
const char *sql = R"sql(
	SELECT "a" FROM t -- )" inside
#if 0
##x## and $1 stay
)sql";
int after = __LINE__;
const char *u = u8R"--(x)--" LR"(y)";
const char *open = R"eof(never closed "x"
