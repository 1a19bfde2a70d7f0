// Translation flags shared by the generator's parts.
#pragma once

extern int in_text;  // 1 while a text statement is open in the code buffer, its head written and its end not yet
extern int is_macro; // 1 while a macro block is open: text goes to the macro file

// Puts the translation flags back to their start state.
void ResetFlags();
