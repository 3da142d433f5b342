// The destination dialog (101) and the install driver its OK starts (copy,
// expansion, licence, script), and the silent run that drives the same
// steps from the command line for deployment tools.
#ifndef TARNWICK_INSTALLATION_H
#define TARNWICK_INSTALLATION_H

#include <windows.h>
#include <stddef.h>

INT_PTR CALLBACK DestinationDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam);

// What the destination dialog's OK does with the directory typed: makes it
// and every missing parent, stores it in destDir (upper-cased) and
// destDirTyped, and makes it current. Returns 0 after alert 1000.
int EnterDestination(const char *typed);

// Creates every directory on the way to path (from its fourth character on,
// so a drive root is not attempted) and then path itself; failures ignored.
// Returns the length of the shortest prefix of path that this call made,
// 0 when it made none.
size_t CreateDirectoryChain(char *path);

// Removes, deepest first, what CreateDirectoryChain made for path from the
// prefix of length made on; a folder that is no longer empty stays.
void RemoveDirectoryChain(char *path, size_t made);

// The install driver, run inside the destination dialog's OK handling (or
// by the silent run, which shows none of its dialogs).
void RunInstallation(void);

// The silent installation, from the destination to the final text, as the
// command line asks for it. Returns the exit status.
int RunSilentInstallation(void);

#endif
