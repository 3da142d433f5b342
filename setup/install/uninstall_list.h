// What the uninstaller reads from the script and what it removes, and the
// paths of its second stage. Portable: no Windows API.
#ifndef TARNWICK_UNINSTALL_LIST_H
#define TARNWICK_UNINSTALL_LIST_H

#include <stddef.h>

enum { kUninstallFileCount = 10 };

// The script's settings the uninstaller uses; the last line with a key
// counts, an absent key is empty, values are cut to their field.
struct UninstallValues {
    char folderTitle[256];  // Foldertitle=  the program group, in double quotes
    char iconFile[256];     // ICONFILE=     the main item's icon
    char uFile[256];        // UFILE=        one more file of the package
};

// Stores the value when line (already cut at its line end) starts with one
// of the three keys, in any case.
void ReadUninstallLine(const char *line, UninstallValues *values);

// The three keys, by index from 0; NULL past the last.
const char *UninstallKeyName(size_t index);

// A file name of the installation directory itself: not empty, and without
// "\", "/", ":" or "..", so it can name nothing outside the directory.
int IsPlainFileName(const char *name);

// The files the uninstaller deletes from the installation directory, in
// order: the icon file, the package's fixed files, the UFILE= file. The two
// script values are listed only when they are plain file names. Fills
// names (room for kUninstallFileCount) and returns how many there are.
size_t UninstallFileList(const UninstallValues *values, const char **names);

// The file name part of path (after its last backslash) is UNINSTAL.EXE in
// any case: the only file the second stage deletes.
int IsUninstallerPath(const char *path);

// The installation directory the second stage removes: path before its
// last backslash (one after the first character), the drive letter and
// colon left off so it is taken on the current drive. Returns 0 when there
// is no such directory.
int UninstallDirOf(const char *path, char *dir, size_t cap);

// The second stage's command line: the relay program, a blank and the
// uninstaller's full path as it is (the second stage takes the whole rest
// of its command line as the path). A relay path with blanks is quoted.
// Returns 0 when it had to be cut.
int RelayCommandLine(const char *relay, const char *ownPath, char *cmdLine, size_t cap);

#endif
