// The installation status dialog's status line and meter, which every step
// of the installation sequence reports on.
#ifndef TARNWICK_STATUS_H
#define TARNWICK_STATUS_H

// Sets the status line (control 1006 of the status dialog).
void SetStatus(const char *text);

// Fills the meter (control 1002) to position of 100.
void SetMeter(int position);

#endif
