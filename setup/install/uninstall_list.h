// What the uninstaller reads from the script and what it removes, and the
// paths of its second stage. Portable: no Windows API.
#ifndef TARNWICK_UNINSTALL_LIST_H
#define TARNWICK_UNINSTALL_LIST_H

#include <stddef.h>
#include <stdint.h>

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

enum { kFileIdentitySize = 64 };

// What an uninstaller hands its relay on the relay's command line:
//   /WAIT=HANDLE /FILE=IDENTITY PATH
// HANDLE is an inherited handle of the uninstaller's process (hexadecimal),
// which the relay waits on; IDENTITY what the uninstaller's file was when it
// handed over (volume, file index, write time, size), so the relay deletes
// only that file and never an uninstaller an installation wrote since; PATH,
// the rest of the line, is the uninstaller's full path as it is. A relay
// started with only a path (by hand) gets neither.
struct RelayOrder {
    uint64_t process;                  // 0: none handed over
    char identity[kFileIdentitySize];  // empty: none handed over
    char path[256];                    // the uninstaller to delete
};

// Forms the relay's command line: the relay program (quoted when it holds a
// blank), the order and the uninstaller's path. Returns 0 when it had to
// be cut.
int RelayCommandLine(const char *relay, uint64_t process, const char *identity,
                     const char *ownPath, char *cmdLine, size_t cap);

// Reads the text after the relay's name. Returns 0 when it names no path
// or the path does not fit.
int ReadRelayOrder(const char *cmdLine, RelayOrder *order);

#endif
