// The package's Start-menu group and its items.
#ifndef TARNWICK_PROGRAM_GROUP_H
#define TARNWICK_PROGRAM_GROUP_H

// Fixes MainTarget and creates the group with its shortcuts.
void CreateProgramGroup(void);

// Adds the Write document's items through Program Manager DDE.
void AddProgmanItems(void);

#endif
