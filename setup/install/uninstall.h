// The uninstaller run modes.
#ifndef TARNWICK_UNINSTALL_H
#define TARNWICK_UNINSTALL_H

// Run as UNINSTAL.EXE: removes the installation.
void RunUninstall(void);

// Run as XNINSTAL.EXE with the upper-cased command line naming what to clean.
void RunTempUninstaller(const char *upperCmdLine);

#endif
