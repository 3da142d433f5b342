// UnzipParams: the record setup hands to DUNZIP32.DLL's "dunzip" entry
// point. 142 bytes, little-endian, no padding; pointers are 32 bits, as on
// the 32-bit Windows both sides run on. This header is the one definition
// of the record for setup (the caller) and for our DUNZIP32.DLL (the
// callee). Portable: no Windows API, so the host build can check layouts.
//
// The 64-bit test build of both sides widens the four address fields to 64
// bits (158 bytes): a pointer cut to 32 bits there would call or read at a
// wrong address. Only the 32-bit record is the published interface.
#ifndef TARNWICK_UNZIP_PARAMS_H
#define TARNWICK_UNZIP_PARAMS_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN64)
typedef uint64_t UnzipAddress;
#define UNZIP_ADDRESS_EXTRA 16  // four address fields, 4 bytes wider each
#else
typedef uint32_t UnzipAddress;
#define UNZIP_ADDRESS_EXTRA 0
#endif

enum {
    kUnzipParamsSize = 142 + UNZIP_ADDRESS_EXTRA,
    kUnzipExtractAll = 8,  // operation: expand every member of the archive
};

// Results of "dunzip", returned in the 32-bit result register. 0 only when
// every member is in the target directory, written and verified (a name
// that would leave the target is never written, and so a failure); every
// other value is a failure, and setup treats it as one without reading it
// further. Our library reads only structSize, operation, archiveName,
// targetDir and callback; it expands every member whatever the mask and
// flags say, always creating sub-directories and replacing files.
enum {
    kUnzipDone = 0,         // every member written and verified
    kUnzipStopped = 1,      // the callback returned 0
    kUnzipNotArchive = 2,   // the archive has no readable central directory
    kUnzipWriteFailed = 3,  // a write failed (disk full): expansion stopped
    kUnzipNoMemory = 4,
    kUnzipIncomplete = 5,   // every member visited, but one could not be
                            // created, failed its checks (removed), is of a
                            // kind not expanded or was passed over for its name
    kUnzipBadParams = 10,   // wrong size or operation, no archive name
    kUnzipCannotOpen = 11,  // the archive cannot be opened
};

#if defined(_WIN32)
// The progress callback: called once before each member with the member's
// index, the member count and the bytes written so far; 0 stops the
// expansion. The callee removes the arguments.
typedef int32_t(__stdcall *UnzipCallbackFn)(uint32_t index, uint32_t count,
                                            uint32_t bytesWritten);
#endif

#pragma pack(push, 1)
struct UnzipParams {
    uint32_t structSize;   //   0: kUnzipParamsSize
    int32_t operation;     //   4: kUnzipExtractAll
    UnzipAddress archiveName;  //   8: address of the archive's file name
    uint32_t reserved12;   //  12
    UnzipAddress memberMask;   //  16: address of the member mask, "*.*" (ignored)
    int32_t memberIndex;   //  20: -1, every member (ignored)
    UnzipAddress targetDir;    //  24: address of the target directory
    uint32_t reserved28;   //  28
    uint32_t reserved32;   //  32
    int32_t overwrite;     //  36: 1, replace existing files (always done)
    uint32_t reserved40;   //  40
    uint32_t reserved44;   //  44
    int32_t createDirs;    //  48: 1, create the directories member names hold (always done)
    int32_t keepPaths;     //  52: 1, keep the members' paths (always done)
    int32_t quiet;         //  56: 1, no messages of the library's own (it has none)
    UnzipAddress callback;     //  60: address of the progress callback
    uint32_t reserved64[11];  // 64-107
    uint16_t flag108;      // 108: 1
    uint32_t reserved110[8];  // 110-141, not 4-byte aligned
};
#pragma pack(pop)

static_assert(sizeof(UnzipParams) == kUnzipParamsSize, "UnzipParams has its published size");
#if !defined(_WIN64)
static_assert(offsetof(UnzipParams, memberIndex) == 20, "memberIndex at 20");
static_assert(offsetof(UnzipParams, targetDir) == 24, "targetDir at 24");
static_assert(offsetof(UnzipParams, overwrite) == 36, "overwrite at 36");
static_assert(offsetof(UnzipParams, createDirs) == 48, "createDirs at 48");
static_assert(offsetof(UnzipParams, callback) == 60, "callback at 60");
static_assert(offsetof(UnzipParams, flag108) == 108, "flag108 at 108");
static_assert(offsetof(UnzipParams, reserved110) == 110, "reserved110 at 110");
#endif

#endif
