// Helpers shared by embed's steps: opening files as every step does and
// copying through the shared buffer.
#ifndef TARNWICK_EMBED_FILE_COPY_H
#define TARNWICK_EMBED_FILE_COPY_H

#include <windows.h>
#include <stdint.h>

// Opens for reading or (after deleting any file there) creates for writing,
// shared for reading and writing, with the sequential-scan hint.
HANDLE OpenForReading(const char *path);
HANDLE CreateForWriting(const char *path);

// Opens the installer's own file for reading; tells the user when it cannot.
HANDLE OpenOwnFile();

enum CopyResult { kCopyDone, kCopyShortWrite, kCopyReadFailed };

// Copies length bytes from `from` at its current position to `to`, in
// 4096-byte chunks; a chunk shorter than 4096 ends the copy, so a length
// that is a multiple of 4096 ends with one empty write. A failed read, or a
// file that ends before length bytes, is kCopyReadFailed: what was copied
// is not the range asked for.
CopyResult CopyRange(HANDLE from, HANDLE to, int32_t length);

// Copies everything from `from` to `to` until a read comes back short; a
// failed read is kCopyReadFailed.
CopyResult CopyWhole(HANDLE from, HANDLE to);

#endif
