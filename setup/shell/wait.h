// Message-pumping waits and the two standard cursors.
#ifndef TARNWICK_WAIT_H
#define TARNWICK_WAIT_H

#include <windows.h>

// Waits the given (real) number of seconds while dispatching every message of
// the thread, so windows stay alive and Cancel buttons are served. Pumps at
// least once. Returns the elapsed milliseconds.
DWORD WaitSeconds(double seconds);

// Dispatches every queued message of the thread without waiting. Messages
// bypass dialog-message handling, so dialog keyboard navigation is off
// during waits. Returns 1.
int PumpMessages(void);

// A pause that only lets the user read what is shown: WaitSeconds, but no
// more than one pump in a silent run, where no one reads.
DWORD PauseSeconds(double seconds);

void ArrowCursor(void);
void HourglassCursor(void);

#endif
