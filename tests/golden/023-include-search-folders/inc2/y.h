inc2 y
