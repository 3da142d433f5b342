// Zip archives made in memory for the core's tests and fuzzer, and a ZipIo
// that expands into memory so every byte the core writes can be checked.
#ifndef TARNWICK_ZIP_FIXTURE_H
#define TARNWICK_ZIP_FIXTURE_H

#include <stdint.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "dunzip/zip_core.h"

struct FixtureMember {
    std::string name;
    std::string data;
    int method = 8;            // 0 stored, 8 deflated, else written as stored
    uint32_t crcXor = 0;       // spoils the recorded CRC
    int64_t sizeDelta = 0;     // added to the recorded uncompressed size
    int64_t packedDelta = 0;   // added to the recorded compressed size
    bool encrypted = false;
};

// A zip archive of the members, as Info-ZIP would lay it out.
std::string MakeZip(const std::vector<FixtureMember> &members);

// The same with zip64 records throughout: sizes and offsets saturated in
// the headers and the end record, the real values in zip64 extra fields and
// the zip64 end record.
std::string MakeZip64(const std::vector<FixtureMember> &members);

// Expansion into memory.
struct MemFs {
    std::string archive;
    std::map<std::string, std::string> files;   // closed files
    std::set<std::string> dirs;
    std::vector<uint32_t> progressIndex;        // index of each callback call
    uint32_t progressCount = 0;                 // count of the last call
    int stopAtCall = -1;                        // callback returns 0 on this call
    uint64_t writeBudget = UINT64_MAX;          // writes fail past this total
    uint64_t written = 0;
    uint32_t largestWrite = 0;
    std::set<std::string> refuseCreate;         // names create fails for
    int openFiles = 0;
};

ZipIo MemIo(MemFs *fs);

// Runs the core over fs->archive with a fresh work area.
int ExpandInMemory(MemFs *fs, ZipStats *stats);

#endif
