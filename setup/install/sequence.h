// The installation sequence run after the licence: SETUP.INI's settings and
// file operations, the viewer checks, the plug-in moves, embed, the program
// group and the completion dialog.
#ifndef TARNWICK_SEQUENCE_H
#define TARNWICK_SEQUENCE_H

// Runs the whole sequence; sourceDrive is the setup drive's letter or root.
// Expects the installation directory to be the current directory.
void RunInstallScript(const char *sourceDrive);

// Starts EMBED.EXE from the installation directory with "-cdrom" and the
// drive root, and waits for it. Returns 1 when it ran, 0 when it could not
// be started (or the viewer check refused the system).
int RunEmbed(const char *sourceDrive);

// The script's file operations, run as their lines are read.
void CreateScriptDirectory(const char *value);
void CopySetupFile(const char *value);
void MoveInstalledFile(const char *value);

// Moves a staged plug-in from the installation directory into the viewer's
// PLUG_INS directory; the staged copy is deleted whether or not that worked.
void MovePlugin(const char *plugin);

// The status dialog's line and meter, which the steps report on.
#include "status.h"

#endif
