parts q
