// A reproducible PACK.BOX: every file under a folder, its name in the book's
// code page (book_codepage.h), in bytewise order of that name, with fixed
// times and attributes, deflated through zlib (stored
// when deflating does not shrink it). The same folder always gives the same
// bytes, however many cores deflate it. Native only (the publisher's
// toolkit).
#ifndef TARNWICK_PUBKIT_ZIP_WRITER_H
#define TARNWICK_PUBKIT_ZIP_WRITER_H

#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/types.h>

struct ZipWriteStats {
    uint32_t members;
    uint64_t bytesIn;   // the files' sizes added up
    uint64_t bytesOut;  // the archive's size
};

// Where the archive's bytes go, in order, nothing written twice: write
// returns 1 when all n bytes were taken.
struct ZipSink {
    void *ctx;
    int (*write)(void *ctx, const void *buf, size_t n);
};

// A sink appending to a stdio file.
ZipSink ZipFileSink(FILE *f);

// A file the folder scan meets that is the command's own: its output (an
// earlier one, or the temporary file it writes now) is left out; with
// refuse set, meeting it stops the scan instead (an output named like a
// file of the folder that is not one of the command's, which the run would
// otherwise replace).
struct ScanSkip {
    dev_t dev;
    ino_t ino;
    int refuse;
    const char *name;  // for the message
};

struct FolderScan {
    const ScanSkip *skip;
    size_t skipCount;
    int skipped;  // out: how many files were left out
};

struct Output;

// Fills skip and scan so that a scan of a folder that holds the output
// leaves out the temporary file it is written to and an earlier output
// (isEarlierOutput says which files are one), and stops at any other file
// under the output's name. Returns NULL, or a reason.
const char *LeaveOutOutput(const Output *out, int (*isEarlierOutput)(const char *path),
                           ScanSkip skip[2], FolderScan *scan);

struct FolderZipOptions {
    int workers;           // threads deflating members; 0 for one per core
    size_t memberMemory;   // bytes of one member held in memory before it
                           // goes to a scratch file; 0 for the default
    const char *scratchDir;  // where such files go (removed as they are
                             // made); NULL: the system's temporary folder
};

// Writes the archive to out (offsets inside it count from its first byte).
// scan and options may be NULL. Returns NULL, or a one-line reason.
const char *WriteFolderZip(const char *dir, const ZipSink *out, FolderScan *scan,
                           const FolderZipOptions *options, ZipWriteStats *stats);

// The files WriteFolderZip stores, in its order: fn gets each one's name as
// the archive stores it ('/' between components, in the book's code page,
// book_codepage.h) and its path on disk. Returns NULL,
// or the reason WriteFolderZip would refuse the folder (then fn is not
// called at all).
typedef void (*FolderMemberFn)(void *ctx, const char *name, const char *path);
const char *ListFolderMembers(const char *dir, FolderScan *scan, FolderMemberFn fn, void *ctx);

#endif
