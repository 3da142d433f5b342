// UnzipParams: the record setup hands to DUNZIP32.DLL's "dunzip" entry
// point. 142 bytes, little-endian, no padding; pointers are 32 bits, as on
// the 32-bit Windows both sides run on. This header is the one definition
// of the record for setup (the caller) and for our DUNZIP32.DLL (the
// callee). Portable: no Windows API, so the host build can check layouts.
#ifndef TARNWICK_UNZIP_PARAMS_H
#define TARNWICK_UNZIP_PARAMS_H

#include <stddef.h>
#include <stdint.h>

enum {
    kUnzipParamsSize = 142,
    kUnzipExtractAll = 8,  // operation: expand every member matching the mask
};

#pragma pack(push, 1)
struct UnzipParams {
    uint32_t structSize;   //   0: kUnzipParamsSize
    int32_t operation;     //   4: kUnzipExtractAll
    uint32_t archiveName;  //   8: address of the archive's file name
    uint32_t reserved12;   //  12
    uint32_t memberMask;   //  16: address of the member mask, "*.*"
    int32_t memberIndex;   //  20: -1, every member
    uint32_t targetDir;    //  24: address of the target directory
    uint32_t reserved28;   //  28
    uint32_t reserved32;   //  32
    int32_t overwrite;     //  36: 1, replace existing files
    uint32_t reserved40;   //  40
    uint32_t reserved44;   //  44
    int32_t createDirs;    //  48: 1, create the directories member names hold
    int32_t keepPaths;     //  52: 1
    int32_t quiet;         //  56: 1
    uint32_t callback;     //  60: address of the progress callback
    uint32_t reserved64[11];  // 64-107
    uint16_t flag108;      // 108: 1
    uint32_t reserved110[8];  // 110-141, not 4-byte aligned
};
#pragma pack(pop)

static_assert(sizeof(UnzipParams) == kUnzipParamsSize, "UnzipParams is 142 bytes");
static_assert(offsetof(UnzipParams, memberIndex) == 20, "memberIndex at 20");
static_assert(offsetof(UnzipParams, targetDir) == 24, "targetDir at 24");
static_assert(offsetof(UnzipParams, overwrite) == 36, "overwrite at 36");
static_assert(offsetof(UnzipParams, createDirs) == 48, "createDirs at 48");
static_assert(offsetof(UnzipParams, callback) == 60, "callback at 60");
static_assert(offsetof(UnzipParams, flag108) == 108, "flag108 at 108");
static_assert(offsetof(UnzipParams, reserved110) == 110, "reserved110 at 110");

#endif
