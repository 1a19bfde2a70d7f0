// Translation flags shared by the generator's parts.
#include "generator/flags.h"

int in_text = 0;
int is_macro = 0;

void ResetFlags() {
  in_text = 0;
  is_macro = 0;
}
