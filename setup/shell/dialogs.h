// setup's dialogs: destination (101), and the steps that lead from the
// readme to the licence.
#ifndef TARNWICK_DIALOGS_H
#define TARNWICK_DIALOGS_H

#include <windows.h>

INT_PTR CALLBACK DestinationDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CopyProgressDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK TextDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InstallProgressDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FinishDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// What the destination dialog's OK does with the directory typed: makes it
// and every missing parent, stores it in destDir (upper-cased) and
// destDirTyped, and makes it current. Returns 0 after alert 1000.
int EnterDestination(const char *typed);

// The install driver, run inside the destination dialog's OK handling (or
// by the silent run, which shows none of its dialogs).
void RunInstallation(void);

// Shows readme1st.txt beside the program, if it is there; returns when it
// is dismissed.
void ShowReadme(void);

// Shows LICENSE.TXT of the current directory, if it is there, for
// acceptance; accepted says whether the installation goes on.
void ShowLicense(void);

// Creates every directory on the way to path (from its fourth character on,
// so a drive root is not attempted) and then path itself; failures ignored.
void CreateDirectoryChain(char *path);

#endif
