// The final source of an --output run. The generator program writes a
// temporary file beside the output (in the private folder for "-" and for
// --check); only a run that succeeds moves it to its name, in one rename,
// and an output that already holds the same text is left untouched, time
// stamp and all. The intermediate files wait in a private folder under
// TMPDIR unless an option names them.
#pragma once
#include "driver/options.h"

extern int FinalChannel;        // with --output=-: standard output as Vorn found it; -1 otherwise
constexpr int CheckDiffers = 3; // --check: the output differs from what the run generates, or is missing

// With --output=-: keeps standard output for the final source and points Vorn's
// own standard output, and so its children's, to standard error.
void TakeStdout();
// Creates the --save-temps folder when it is not there; 0 after reporting a failure.
int MakeTempsFolder(const RunNames &names);
// Creates the private folder, names the files no option named in it, and
// creates the temporary final source; 0 after reporting a failure.
int PrepareOutput(RunNames &names);
// After a run that succeeded: moves, sends or compares the final source; the exit status.
int DeliverOutput(const RunNames &names);
// After a run that failed: removes the temporary final source, and the private
// folder unless keep (the report then names it, so the generator program can be read).
void DiscardOutput(const RunNames &names, bool keep);
