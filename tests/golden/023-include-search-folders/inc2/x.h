inc2 x
