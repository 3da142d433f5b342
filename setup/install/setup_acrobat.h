// setup's use of the shared viewer control.
#ifndef TARNWICK_SETUP_ACROBAT_H
#define TARNWICK_SETUP_ACROBAT_H

// Waits a second, pumping messages so setup's windows settle, then looks
// for a viewer window; sets gState.acrobatRunning.
void SetupFindAcrobatWindow(void);

// Asks a running viewer to quit.
void CloseAcrobat(void);

#endif
