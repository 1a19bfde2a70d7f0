##MSTART
int CHANNEL = 3, ANAN = 4;
##MEND
c = ##CHANNEL + ANAN##; /* AN */ AN
