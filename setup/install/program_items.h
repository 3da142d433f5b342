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
// double quotes: the value without its first and last character (of one
// or two bytes). A value of fewer than two characters gives the empty
// name. Cut to cap.
void QuotedValueName(const char *value, char *name, size_t cap);

// A name a group folder or the main item's link may be made under, and a
// group asked to be deleted by: one plain name inside the Programs folder or
// the group (IsPlainName). Anything else would name the Programs folder
// itself, a folder outside it, or nothing the shell can make.
int IsPlainGroupName(const char *name);

// A script value written in double quotes: its first and last character
// are both '"'.
int IsQuotedValue(const char *value);

// The group name as a Program Manager command argument. The command syntax
// splits an unquoted argument at "," , ends it at "(" ")" "[" "]" and trims
// its blanks, so such a name goes in double quotes; any other name goes as
// it is, as packages and peers have always sent it. Returns 0, leaving arg
// empty, when it does not fit.
int GroupArgumentOf(const char *group, char *arg, size_t cap);

// The main item's target: "<drive>:<mainFile>" when mainFile begins with
// "\" (a path on the setup drive), else "<installDir>\<mainFile>"; the
// launcher "<drive>:\tklaunch.exe " (with its trailing blank) when
// romResident begins with "YES". Returns 0 when it had to be cut.
int MainTargetOf(char drive, const char *installDir, const char *mainFile,
                 const char *romResident, char *target, size_t cap);

// A link gets an icon location only when its target's last three
// characters are "exe" or "pdf", in any case.
int TakesIconLocation(const char *target);

// "<programs>\<group>", "<programs>\<group>\<name>.lnk", and a file of
// the installation directory "<installDir>\<name>". Return 0 when the path
// had to be cut (or there is no installDir): a cut path would name another
// file.
int GroupFolderOf(const char *programs, const char *group, char *path, size_t cap);
int LinkPathOf(const char *programs, const char *group, const char *name, char *path,
               size_t cap);
int InstallPathOf(const char *installDir, const char *name, char *path, size_t cap);

// "[ShowGroup(<group>,1)]", the group as GroupArgumentOf puts it, into a
// buffer of kShowGroupCommandSize. Returns 0, leaving it empty, when the
// name is longer than the 63 characters the command takes: a cut name would
// show another group.
int ShowGroupCommand(const char *group, char *command, size_t cap);

// "[AddItem(<cmdLine>,<title>,<icon>)]" and "[DeleteGroup(<group>)]", the
// fields as they are (the caller quotes a group name: GroupArgumentOf). Return the full length of the command, terminator
// not counted, as snprintf does: a buffer of that length plus one takes it
// whole. A cap of 0 writes nothing (command may then be NULL).
size_t AddItemCommand(const char *cmdLine, const char *title, const char *icon, char *command,
                      size_t cap);
size_t DeleteGroupCommand(const char *group, char *command, size_t cap);

#endif
