// Running the viewer's installer that the script names, and waiting until
// its windows are gone.
#ifndef TARNWICK_VIEWER_INSTALL_H
#define TARNWICK_VIEWER_INSTALL_H

#include <windows.h>

// Where a user without a viewer is sent when its installer cannot start.
#define ACROBAT_DOWNLOAD_URL "http://www.adobe.com/products/acrobat/readstep.html"

// Runs the script's installer: "Acro4Gig.exe" from the installation
// directory, waited on to its end and deleted afterwards, or a path on the
// setup drive, given half a second. Then waits for its "Reader" and "Setup"
// windows to go. Sets acrobatInstallFailed, after the download message,
// when it cannot be started.
void InstallAcrobat(void);

// Returns once two checks running, intervalSeconds apart, found no top-level
// window of another process whose title holds pattern (any case). Each
// check takes a second of its own; the title of a window found is shown on
// the status line. Unbounded while such windows keep turning up, but in a
// silent run, which gives up (noting a time-out) once the installer's
// whole wait, started at the tick since, has lasted its bound.
void WaitForInstallerWindows(const char *pattern, double intervalSeconds, DWORD since);

#endif
