// How setup's own file name chooses what the program does. Portable.
#ifndef TARNWICK_RUN_MODE_H
#define TARNWICK_RUN_MODE_H

#include <stddef.h>

#include "common/text.h"  // LastBackslash

enum RunMode {
    kRunInstaller,         // any other name; also the builder, decided later
    kRunUninstall,         // UNINSTAL.EXE
    kRunTempUninstaller,   // XNINSTAL.EXE with an argument
    kRunDeletableNotice,   // XNINSTAL.EXE without one
};

// programDir: path up to, not including, its last backslash; empty when the
// only backslash is the first character or there is none.
void ProgramDirOf(const char *path, char *dir, size_t cap);

// The run mode for the own path and the upper-cased command line.
RunMode RunModeFor(const char *ownPath, const char *upperCmdLine);

#endif
