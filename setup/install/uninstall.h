// The uninstaller run modes: UNINSTAL.EXE removes the program group and the
// package's files and hands over to a copy of itself, XNINSTAL.EXE, which
// removes the uninstaller and the emptied directory once it has ended.
#ifndef TARNWICK_UNINSTALL_H
#define TARNWICK_UNINSTALL_H

// Run as UNINSTAL.EXE: asks (a silent run does not), then removes the
// installation it lives in. Returns the silent run's exit status: 0 when it
// removed it, 1 when it could not (no setup.ini, no directory).
int RunUninstall(void);

// Run as XNINSTAL.EXE with the upper-cased command line, the path of the
// uninstaller to remove.
void RunTempUninstaller(const char *upperCmdLine);

#endif
