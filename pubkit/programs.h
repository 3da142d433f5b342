// What the three program files a package carries must be: setup.exe a bare
// 32-bit setup program (a GUI program for i386 without a trailer), METER.DLL
// and DUNZIP32.DLL 32-bit libraries, DUNZIP32.DLL exporting "dunzip", which
// setup calls. Read from the files' headers, export tables and version
// information, so that a 64-bit build, embed.exe given for setup.exe or the
// two libraries swapped are caught before a disc is burnt. Native only (the
// publisher's toolkit).
#ifndef TARNWICK_PUBKIT_PROGRAMS_H
#define TARNWICK_PUBKIT_PROGRAMS_H

#include <stdint.h>

#include "examine.h"

enum ProgramRole { kRoleSetup, kRoleMeter, kRoleDunzip };

// Checks the program file lying at from..to of src for its role. Returns
// NULL when it is what the role needs, else a one-line reason.
const char *ProgramFault(const ExamineSource *src, int64_t from, int64_t to, ProgramRole role);

// The same for a whole file on disk.
const char *ProgramFileFault(const char *path, ProgramRole role);

#endif
