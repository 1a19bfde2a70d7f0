parts w
