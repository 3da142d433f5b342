// Copying the payload out of setup's own file into the destination.
#ifndef TARNWICK_EXTRACT_H
#define TARNWICK_EXTRACT_H

// Copies DUNZIP32.DLL and PACK.BOX into destDir (also the current
// directory), then the whole own file as UNINSTAL.EXE. Stops between blocks
// once cancelled is set. Returns 1 on success, 0 after telling the user.
int ExtractPayload(void);

#endif
