inc1 q
