// setup's dialogs on the way from the readme to the licence: the text
// dialog (107) of the readme and the licence, and the copy dialog (104).
#ifndef TARNWICK_DIALOGS_H
#define TARNWICK_DIALOGS_H

#include <windows.h>

INT_PTR CALLBACK CopyProgressDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK TextDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// Shows readme1st.txt beside the program, if it is there; returns when it
// is dismissed.
void ShowReadme(void);

// Shows LICENSE.TXT of the current directory, if it is there, for
// acceptance; accepted says whether the installation goes on.
void ShowLicense(void);

#endif
