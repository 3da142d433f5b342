// setup's dialogs: destination (101), and the steps that lead from the
// readme to the licence.
#ifndef TARNWICK_DIALOGS_H
#define TARNWICK_DIALOGS_H

#include <windows.h>
#include <stddef.h>

INT_PTR CALLBACK DestinationDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CopyProgressDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK TextDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK InstallProgressDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FinishDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// What the destination dialog's OK does with the directory typed: makes it
// and every missing parent, stores it in destDir (upper-cased) and
// destDirTyped, and makes it current. Returns 0 after alert 1000.
int EnterDestination(const char *typed);

// Shows readme1st.txt beside the program, if it is there; returns when it
// is dismissed.
void ShowReadme(void);

// Shows LICENSE.TXT of the current directory, if it is there, for
// acceptance; accepted says whether the installation goes on.
void ShowLicense(void);

// Creates every directory on the way to path (from its fourth character on,
// so a drive root is not attempted) and then path itself; failures ignored.
// Returns the length of the shortest prefix of path that this call made,
// 0 when it made none.
size_t CreateDirectoryChain(char *path);

// Removes, deepest first, what CreateDirectoryChain made for path from the
// prefix of length made on; a folder that is no longer empty stays.
void RemoveDirectoryChain(char *path, size_t made);

#endif
