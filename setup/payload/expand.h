// Expansion of PACK.BOX through DUNZIP32.DLL.
#ifndef TARNWICK_EXPAND_H
#define TARNWICK_EXPAND_H

#include <stdint.h>

// Loads the DUNZIP32.DLL that ExtractPayload wrote into the current
// directory (the destination) by its full path, expands every member of
// PACK.BOX there, and unloads it. Returns 0 after the expansion ran through
// or was cancelled; 1 after a fatal alert: the library or its entry point
// was missing, or the library did not write every member (alert 1008; the
// files written so far stay).
int ExpandArchive(void);

// The library's progress callback: keeps the windows alive, advances the
// bar, and returns 0 once cancelled is set, which stops the expansion.
int32_t __stdcall UnzipCallback(uint32_t index, uint32_t count, uint32_t bytesWritten);

#endif
