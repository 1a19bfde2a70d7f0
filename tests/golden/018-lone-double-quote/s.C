s = "a\
b;
