##for (int i = 0; i < 2; i++) {
x##i##
##}
