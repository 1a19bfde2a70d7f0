int part;
