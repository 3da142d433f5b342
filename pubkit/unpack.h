// Taking a finished package or embed installer apart into the files its
// builder was given, so that the toolkit's own builders make it again.
// Native only (the publisher's toolkit).
#ifndef TARNWICK_PUBKIT_UNPACK_H
#define TARNWICK_PUBKIT_UNPACK_H

#include <stdio.h>

struct UnpackRequest {
    const char *file;
    const char *outDir;  // made when missing (its parent must exist)
    int members;         // also expand PACK.BOX into outDir/pack
    FILE *report;        // what was written, and whether it rebuilds exactly
    int overwrite;       // files of outDir named like a part may be replaced
};

// Writes the parts into outDir: all of them or, on any failure (or an
// interrupt), none, the folder as it was. A folder that holds a file named
// like a part is refused unless overwrite is set; the file read is never
// replaced. Returns NULL, or a one-line reason: a file whose parts cannot
// be found leaves nothing written; a part found damaged (a PACK.BOX member
// setup will not have, say) is named after everything else was written.
const char *UnpackFile(const UnpackRequest *request);

#endif
