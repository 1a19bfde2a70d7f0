#line 1 "s.C"
"s"/* c */
