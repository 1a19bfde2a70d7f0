inc1 y
