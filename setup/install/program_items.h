// The names, paths and Program Manager command texts of the package's
// Start-menu group. Portable: no Windows API.
#ifndef TARNWICK_PROGRAM_ITEMS_H
#define TARNWICK_PROGRAM_ITEMS_H

#include <stddef.h>

enum {
    kShowGroupNameSize = 64,      // the group name ShowGroup takes, terminator included
    kShowGroupCommandSize = 128,  // the ShowGroup command, terminator included
};

// The group name or the main item's title from a script value written in
// double quotes: the value without its first and last character. A value
// of fewer than two characters gives the empty name. Cut to cap.
void QuotedValueName(const char *value, char *name, size_t cap);

// A name a group folder may be made under, and asked to be deleted by: one
// plain folder name below the Programs folder. A name written in double
// quotes is judged by what is inside them. Empty names, names of dots only
// and names holding "\", "/" or ":" are refused: the shell would take them
// as the Programs folder itself or a folder outside it.
int IsPlainGroupName(const char *name);

// The main item's target: "<drive>:<mainFile>" when mainFile begins with
// "\" (a path on the setup drive), else "<installDir>\<mainFile>"; the
// launcher "<drive>:\tklaunch.exe " (with its trailing blank) when
// romResident begins with "YES". Returns 0 when it had to be cut.
int MainTargetOf(char drive, const char *installDir, const char *mainFile,
                 const char *romResident, char *target, size_t cap);

// A link gets an icon location only when its target's last three
// characters are "exe" or "pdf", in any case.
int TakesIconLocation(const char *target);

// "<programs>\<group>" and "<programs>\<group>\<name>.lnk". Return 0 when
// the path had to be cut: a cut path would name another file.
int GroupFolderOf(const char *programs, const char *group, char *path, size_t cap);
int LinkPathOf(const char *programs, const char *group, const char *name, char *path,
               size_t cap);

// "[ShowGroup(<group>,1)]" into a buffer of kShowGroupCommandSize. Returns
// 0, leaving it empty, when the name is longer than the 63 characters the
// command takes: a cut name would show another group.
int ShowGroupCommand(const char *group, char *command, size_t cap);

// "[AddItem(<cmdLine>,<title>,<icon>)]" and "[DeleteGroup(<group>)]", the
// fields as they are. Return the full length of the command, terminator
// not counted, as snprintf does: a buffer of that length plus one takes it
// whole. A cap of 0 writes nothing (command may then be NULL).
size_t AddItemCommand(const char *cmdLine, const char *title, const char *icon, char *command,
                      size_t cap);
size_t DeleteGroupCommand(const char *group, char *command, size_t cap);

#endif
