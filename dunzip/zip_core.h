// The zip reading and expansion core of DUNZIP32.DLL. Portable: no Windows
// API; every file operation goes through ZipIo, which the DLL fills with
// Win32 calls and the native tests and benchmark with C run-time calls.
//
// The archive is read through its central directory, so members written
// with data descriptors need no special case. Stored and deflated members
// are expanded; CRC-32 and both sizes are checked. A member is never held
// whole: data moves through the two fixed buffers of ZipWork.
#ifndef TARNWICK_ZIP_CORE_H
#define TARNWICK_ZIP_CORE_H

#include <stddef.h>
#include <stdint.h>

enum ZipResult {
    kZipDone = 0,         // every member was visited (see ZipStats for each)
    kZipStopped = 1,      // the progress callback returned 0
    kZipNotArchive = 2,   // no usable end record or central directory
    kZipWriteFailed = 3,  // a write or close failed (disk full): stopped
    kZipNoMemory = 4,     // the decompressor could not get its state
    kZipIncomplete = 5,   // from ZipOutcome only: every member visited, but
                          // not every one is in the target (see there)
};

// File operations of the host. Member paths handed to them are relative to
// the target directory, validated, with '/' between components.
struct ZipIo {
    void *ctx;
    // Reads up to n bytes of the archive at offset; returns the count read
    // (fewer only at the end of the file) or -1.
    int32_t (*read)(void *ctx, uint64_t offset, void *buf, uint32_t n);
    // Creates (or replaces) a member's file for writing; NULL on failure.
    void *(*create)(void *ctx, const char *path);
    // Returns 1 when all n bytes were written.
    int (*write)(void *ctx, void *file, const void *buf, uint32_t n);
    // Returns 1 when the file was closed with all its data.
    int (*close)(void *ctx, void *file);
    void (*remove)(void *ctx, const char *path);
    // Creates one directory; failure (it exists, or cannot be made) is
    // noticed when a file inside it cannot be created.
    void (*makeDir)(void *ctx, const char *path);
    // Called once before each member with its index, the member count and
    // the bytes written so far (cut to 32 bits); 0 stops the expansion.
    int (*progress)(void *ctx, uint32_t index, uint32_t count, uint32_t bytesWritten);
};

enum {
    kZipBufferSize = 65536,
    kZipPathMax = 512,  // longest member path accepted, terminator included
};

// Working memory the caller supplies (128 KiB): the input and output
// buffers; the end-record search reads the archive's tail into both.
struct ZipWork {
    unsigned char area[2 * kZipBufferSize];
};

struct ZipStats {
    uint32_t members;     // entries of the central directory
    uint32_t files;       // files written and verified
    uint32_t dirs;        // directory entries made
    uint32_t unsafe;      // names that would leave the target: never written
    uint32_t unsupported; // encrypted, or a method other than stored/deflated
    uint32_t corrupt;     // bad CRC, size or truncated data: file removed
    uint32_t notCreated;  // the file could not be created
    uint64_t bytesWritten;
};

// Expands every member of the archive of archiveSize bytes. stats may be
// NULL. Returns a ZipResult.
int ZipExpandAll(const ZipIo *io, uint64_t archiveSize, ZipWork *work, ZipStats *stats);

// What an expansion that ZipExpandAll answered with result and stats comes
// to for a caller that relies on finding the archive's files in the target:
// kZipDone only when every member was written and verified, kZipIncomplete
// when all were visited but one could not be created, failed its checks
// (and was removed), is encrypted or compressed in a way not expanded, or
// was passed over for its name (never written, whatever the target: the
// caller would miss it all the same); any other result as it is.
int ZipOutcome(int result, const ZipStats *stats);

enum { kZipNameUnsafe = 0, kZipNameFile = 1, kZipNameDir = 2 };

// Turns a member name (len bytes, not NUL-terminated) into a relative path
// in out (capacity cap): components joined by '/', "." components dropped.
// Returns kZipNameUnsafe for names that are absolute, carry a drive letter,
// UNC or stream prefix, contain a ".." component (or one of only dots and
// spaces, which Windows reads as one), a DOS device name as a component
// (CON, NUL, AUX, PRN, COM1-9, LPT1-9, with any extension), a control or
// wildcard character, or do not fit; else kZipNameFile or kZipNameDir (the name ends with a
// separator).
int ZipSafeName(const char *name, size_t len, char *out, size_t cap);

#endif
