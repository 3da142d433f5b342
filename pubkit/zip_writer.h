// A reproducible PACK.BOX: every file under a folder, in bytewise order of
// its path, with fixed times and attributes, deflated through zlib (stored
// when deflating does not shrink it). The same folder always gives the same
// bytes. Native only (the publisher's toolkit).
#ifndef TARNWICK_PUBKIT_ZIP_WRITER_H
#define TARNWICK_PUBKIT_ZIP_WRITER_H

#include <stdint.h>
#include <stdio.h>

struct ZipWriteStats {
    uint32_t members;
    uint64_t bytesIn;   // the files' sizes added up
    uint64_t bytesOut;  // the archive's size
};

// Writes the archive at out's current position (offsets inside the archive
// count from there). out must be a seekable file opened for update. Returns
// NULL, or a one-line reason; errorText holds it.
const char *WriteFolderZip(const char *dir, FILE *out, ZipWriteStats *stats);

// The files WriteFolderZip stores, in its order: fn gets each one's name in
// the archive ('/' between components) and its path on disk. Returns NULL,
// or the reason WriteFolderZip would refuse the folder (then fn is not
// called at all).
typedef void (*FolderMemberFn)(void *ctx, const char *name, const char *path);
const char *ListFolderMembers(const char *dir, FolderMemberFn fn, void *ctx);

#endif
