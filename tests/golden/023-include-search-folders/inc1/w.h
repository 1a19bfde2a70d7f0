inc1 w
