// Running the viewer's installer that the script names.
#ifndef TARNWICK_VIEWER_INSTALL_H
#define TARNWICK_VIEWER_INSTALL_H

// Runs the installer and waits for its windows to go; sets
// acrobatInstallFailed when it cannot be started.
void InstallAcrobat(void);

#endif
