#define F(x) x
int a = F(1 +

  /* two
     lines */ 2);
#line 100 "gen.y"
int b;
##MSTART
int k(void) { return 3; }
##MEND
int c = ##k()##;
#line 7

int d;
