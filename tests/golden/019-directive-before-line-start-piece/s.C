##for (int i = 0; i < 2; i++) {
"s"
##int k = i;
/* c */ x
##k++;
'c'
##k++;
$1
##k++;
ANother
##k++;
$9##k##
##}
