// What the installation sequence concludes from the viewer's path and the
// script's installer name. Portable: no Windows API.
#ifndef TARNWICK_VIEWER_NAMES_H
#define TARNWICK_VIEWER_NAMES_H

#include <stddef.h>

// Splits a viewer's path at its last backslash (not counting the first
// character) into directory and file name. Returns 0, leaving both empty,
// when there is none.
int SplitViewerPath(const char *path, char *dir, size_t dirCap, char *name, size_t nameCap);

// The path as the status line shows it. result is the association lookup's
// whole result buffer of resultCap bytes: a found path shorter than 7
// characters is joined with the text behind its terminator by a blank, and
// the last 14 characters of the joined text are dropped (all of it when it
// is shorter). Longer paths are shown unchanged.
void ShownPathOf(const char *result, size_t resultCap, char *shown, size_t cap);

// A 16-bit viewer (ACRORD16.EXE, ACROEX16.EXE; first 7 characters, any case).
int IsSixteenBitViewer(const char *exeName);

// A viewer of the 32-bit family (ACRORD32.EXE, ACROBAT.EXE; same rule).
int IsWin32ViewerName(const char *exeName);

// Version 3: the viewer's directory holds a "3" anywhere.
int IsVersion3Dir(const char *dir);

// The script's installer installs Reader with Search: its file name (after
// the last backslash; the whole value when there is none) starts with "rs".
int InstallerNeedsSearch(const char *installer);

// The viewer's installer, as the script's "Installer=" value names it.
enum {
    kBundledInstallerNameLength = 12,  // "Acro4Gig.exe"
    kInstallerTitleRoom = 50,          // title buffer of the window checks
};

// The value names the installer that the package put into the installation
// directory: it begins with "Acro4Gig.exe", in any case.
int IsBundledInstaller(const char *installer);

// The command line that starts the installer. The bundled form runs from
// curDir: the program (the value up to its first blank) is quoted with its
// directory, and the rest of the value follows as its arguments; file takes
// that program's path, to be deleted after the run. Any other value is a
// path on the setup drive: "<drive>:<value>", and file is left empty.
// Returns 0 when the line or the file name would not fit, when there is no
// drive letter, or when the bundled program is not a plain file name of
// curDir (IsPlainName), so that nothing cut short or outside is started or
// deleted.
int InstallerCommandLine(const char *installer, const char *curDir, char drive, char *cmdLine,
                         size_t cmdCap, char *file, size_t fileCap);

// The window checks' match: pattern occurs in the first kInstallerTitleRoom
// - 1 characters of title, compared without regard to case.
int InstallerTitleMatches(const char *title, const char *pattern);

#endif
