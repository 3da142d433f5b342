// The installation status dialog (103), whose status line and meter every
// step of the installation sequence reports on, the completion dialog (105)
// that follows it, and the record of steps that were not done.
#ifndef TARNWICK_STATUS_H
#define TARNWICK_STATUS_H

#include <windows.h>

INT_PTR CALLBACK InstallProgressDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FinishDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// Sets the status line (control 1006 of the status dialog).
void SetStatus(const char *text);

// Fills the meter (control 1002) to position of 100.
void SetMeter(int position);

// A step the script asked for was not done. The text goes to the log; the
// first one is kept for the silent run's last line, and the run's status
// becomes "not complete". A shown run tells its user as it always has.
void NoteStepFailed(const char *text);

// NoteStepFailed of a text formatted with one string argument.
void NoteStepFailedOn(const char *format, const char *arg);

#endif
