// The layout of a zip archive, read from its central directory and its
// local headers without expanding anything: every entry with where its data
// lies and why the unzip library would not write it, and the faults for
// which the archive as a whole is refused, as Info-ZIP's `unzip -t` refuses
// it (members that overlap, a directory claiming more than the file holds,
// sizes no member can have). Linear in the archive's size, so a crafted
// directory of many entries over one large member costs no more than
// reading it. Native only (the publisher's toolkit).
#ifndef TARNWICK_PUBKIT_ZIP_LAYOUT_H
#define TARNWICK_PUBKIT_ZIP_LAYOUT_H

#include <stdint.h>

#include <string>
#include <vector>

struct ZipEntry {
    std::string name;    // as the unzip core writes it ('/' between parts),
                         // or the stored name, shown safely, when it is unsafe
    int kind;            // kZipNameFile, kZipNameDir or kZipNameUnsafe
    int ascii;           // the stored name is ASCII throughout
    uint32_t method;
    uint32_t crc;
    uint64_t packed;
    uint64_t size;
    uint64_t localOffset;
    uint64_t dataEnd;    // where its data ends (0 when its local header is bad)
    std::string fault;   // why the unzip core will not write it; empty when it will
};

struct ZipLayout {
    std::vector<ZipEntry> entries;  // in the directory's order
    uint64_t directoryOffset;
};

typedef int32_t (*ZipLayoutRead)(void *ctx, uint64_t offset, void *buf, uint32_t n);

// Reads the layout of an archive of size bytes. Returns NULL, or why the
// archive is refused (layout then holds what was read before).
const char *ReadZipLayout(ZipLayoutRead read, void *ctx, uint64_t size, ZipLayout *layout);

// The names of paths (as the unzip core writes them, '/' between parts)
// the unzip library cannot write under installDir on Windows: a full path
// longer than Windows takes, or a name Windows takes for an earlier one
// (the same but for case, in the book's code page). One line each, by
// index into paths.
struct NameFault {
    size_t index;
    std::string text;
    int unwritten;  // 1: the library cannot write it; 0: it replaces another
};
std::vector<NameFault> WindowsNameFaults(const std::vector<std::string> &paths,
                                         const char *installDir);

#endif
