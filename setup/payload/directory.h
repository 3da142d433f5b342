// The payload directory of a packaged setup: reading its trailer at start,
// and building a package when the program has none.
#ifndef TARNWICK_PAYLOAD_DIRECTORY_H
#define TARNWICK_PAYLOAD_DIRECTORY_H

// Decodes the own file's trailer into gState. Returns 1 when the installer
// may go on; 0 after an alert, or after the builder ran because the file is
// a bare program.
int ReadPayloadDirectory(void);

// Appends METER.DLL, DUNZIP32.DLL and PACK.BOX (from the current directory)
// and a trailer made from SETUP.INI's keys to mtest.exe beside the program.
// Always returns 0: the program ends after it.
int BuildPackage(void);

#endif
