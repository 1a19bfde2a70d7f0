top
##include "parts/a.inc"
end
