d
