#line 1 "s.C"
#define F(x) x
int a = F(1 +

  /* two
     lines */ 2);
#line 100 "gen.y"
int b;
#line 104 "gen.y"
int c = 3;
#line 7

int d;
