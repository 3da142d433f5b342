// setup's output: every message box, alert, status line and dialog label
// leaves through Tell (common/output.h) or LogShown. A silent run shows
// nothing and writes each text to its log instead. Depends on the state
// record and the log file only, so every folder of setup may use it.
#ifndef TARNWICK_SETUP_OUTPUT_H
#define TARNWICK_SETUP_OUTPUT_H

#include "common/output.h"

// A text a window of setup shows by itself (a status line, a dialog's
// label): the window is the caller's; in a silent run the text goes to the
// log. Tell's line for texts that wait for no answer.
void LogShown(const char *text);

#endif
