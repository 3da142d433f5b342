// Finding a running Acrobat or Acrobat Reader by its window title and asking
// it to quit over DDE. Built into both setup and embed.
#ifndef TARNWICK_ACROBAT_H
#define TARNWICK_ACROBAT_H

#include <stdint.h>

// 1 when the last FindAcrobatWindow met a window titled like the viewer.
// Each program is its own process, so each keeps its own.
extern int32_t acrobatRunning;

// Looks through every top-level window, visible or hidden; sets
// acrobatRunning. Waits for nothing: a caller that needs the viewer's
// windows settled first waits itself.
void FindAcrobatWindow();

// Sends "[AppExit()]" to service "acroview", topic "control". Does not wait
// for the viewer to end and reports nothing but a failed transaction.
void CloseAcrobat();

// Asks the user, in an owner-less box, whether the running viewer may be
// closed, and on OK closes it. Returns 0 for any other answer: Cancel, or
// a box that could not be shown.
int ConfirmCloseAcrobat();

#endif
