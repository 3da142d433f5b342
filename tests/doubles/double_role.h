// Which outside program the test double stands in for. It is one program,
// and, as setup's run mode is, its own file name chooses what it does: the
// scenarios and the Wine tests copy it under the names the deliverables look
// for (EMBED.EXE, AcroRd32.exe, VWINST.EXE, ...). Portable.
#ifndef TARNWICK_DOUBLE_ROLE_H
#define TARNWICK_DOUBLE_ROLE_H

enum DoubleRole {
    kRoleRecorder,   // any other name (EMBED.EXE, recorder.exe): records how it was started
    kRoleViewer,     // viewer*, AcroRd32*, Acrobat*, AcroEx*: the PDF viewer
    kRoleInstaller,  // installer*, VWINST*, Acro4Gig*: the viewer's installer
    kRoleProgman,    // progman*: Program Manager
};

// The role for the double's own path: its last component decides, in any
// case. The names are ASCII, so a trail byte 0x5C of a double-byte folder
// name before the last backslash cannot move that component.
DoubleRole RoleForPath(const char *ownPath);

#endif
