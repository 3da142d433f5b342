// The package's Start-menu group: its folder and shortcuts, and the Program
// Manager DDE commands that show it, add the Write document's items to it
// and delete it again.
#ifndef TARNWICK_PROGRAM_GROUP_H
#define TARNWICK_PROGRAM_GROUP_H

// Fixes MainTarget, groupName and mainTitle from the script, then makes the
// group folder with the main item, "Uninstall" and "Readme", and asks
// Program Manager to show the group. Expects the installation directory to
// be current. A failure is told to the user and skipped; returns 1.
int CreateProgramGroup(void);

// Adds the Write document's item and the two further setup items through
// Program Manager, when its window exists and shows the group (a silent
// run makes them as links of the group instead). Returns 0, having noted a
// step not done, when there is no Program Manager window, else 1.
int AddProgmanItems(void);

// Makes "<Programs>\<group>" (an existing one is kept) and tells the shell.
// Returns 0 when there is no such folder afterwards.
int CreateGroupFolder(const char *group);

// Writes "<Programs>\<group>\<name>.lnk" to target, replacing one of the
// same name; the icon location is set only for targets ending in "exe" or
// "pdf". A link that cannot be saved is reported and noted as a step not
// done. Returns 0 then, else 1.
int CreateShortcut(const char *target, const char *name, const char *group, const char *icon);

// Sends "[ShowGroup(<groupName>,1)]" to Program Manager. Returns 0 when
// DDE could not be started (reported), else 1.
int ProgmanShowGroup(void);

// Send one "[AddItem(...)]" or "[DeleteGroup(...)]" command to the given
// service; a failed connection is reported, a failed command is not.
void ProgmanAddItem(const char *cmdLine, const char *title, const char *icon, const char *service);
// ProgmanDeleteGroup returns 0 when no conversation came of it (reported).
int ProgmanDeleteGroup(const char *group, const char *service);

#endif
