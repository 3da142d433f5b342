// The installation script SETUP.INI and the steps it drives.
#ifndef TARNWICK_SCRIPT_H
#define TARNWICK_SCRIPT_H

// Runs the installation sequence from the destination (the current
// directory); sourceDrive is the drive setup was started from. Returns 1
// when the sequence ran, 0 when it did not.
int RunInstallScript(const char *sourceDrive);

#endif
