// The run sequence: banner, command line, translation, build, exit status.
#pragma once
#include <cstdio>

// Prints the banner and sets the target compiler to GCC.
void Hello();
// A whole run; returns the process exit status (0 only when the final source was written).
int VornMain(int argc, char **argv);
// Writes the prologue, translates the input stream (named inputName) through the input
// stack and writes the epilogue; 1 when both generated files were written, else 0.
int TranslateInput(FILE *input, const char *inputName, const char *codeName,
                   const char *macroName, const char *finalName);
// Puts every subsystem's process-wide state back to its start state.
void ResetVorn();
