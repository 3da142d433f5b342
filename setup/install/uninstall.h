// The uninstaller run modes: UNINSTAL.EXE removes the program group and the
// package's files and hands over to a copy of itself, XNINSTAL.EXE, which
// removes the uninstaller and the emptied directory once it has ended.
#ifndef TARNWICK_UNINSTALL_H
#define TARNWICK_UNINSTALL_H

#include <stddef.h>

// Run as UNINSTAL.EXE: asks (a silent run does not), then removes the
// installation it lives in. Returns the silent run's exit status: 0 when it
// removed it, 1 when it could not start (no setup.ini, no directory), 2
// when something stayed (a file, so the uninstaller stays to be run again;
// the group; or its relay could not start).
int RunUninstall(void);

// Run as XNINSTAL.EXE with the command line the uninstaller handed over
// (and its upper-cased form, which a relay started with only a path takes):
// waits for the uninstaller to end, deletes it when it is still the file
// that handed over, removes the emptied directory, then the relay's own
// folder where it can.
void RunTempUninstaller(const char *cmdLine, const char *upperCmdLine);

// What the file at path is now, as the relay compares it: volume, file
// index, last write time and size. Empty when it cannot be opened.
void FileIdentity(const char *path, char *out, size_t cap);

#endif
