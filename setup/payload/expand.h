// Expansion of PACK.BOX through DUNZIP32.DLL.
#ifndef TARNWICK_EXPAND_H
#define TARNWICK_EXPAND_H

#include <stdint.h>

// Loads the DUNZIP32.DLL that ExtractPayload wrote into the current
// directory (the destination) by its full path, expands every member of
// PACK.BOX there, and unloads it. Returns 0 after the expansion ran, 1 when
// the library or its entry point was missing (after a fatal alert).
int ExpandArchive(void);

// The library's progress callback: keeps the windows alive, advances the
// bar, and returns 0 once cancelled is set, which stops the expansion.
int32_t __stdcall UnzipCallback(uint32_t index, uint32_t count, uint32_t bytesWritten);

#endif
