// setup's way of looking for a running viewer.
#ifndef TARNWICK_SETUP_ACROBAT_H
#define TARNWICK_SETUP_ACROBAT_H

// Waits a second, pumping messages so setup's own windows settle, then looks
// for a viewer window; the answer is in acrobatRunning (acrobat.h).
void SetupFindAcrobatWindow(void);

#endif
