in c
