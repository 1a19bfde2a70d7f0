in a
##include		<b.h> rest
after b
