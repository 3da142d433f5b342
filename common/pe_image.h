// What a Windows program file's headers say about where its data ends: the
// end of the image's sections, and the certificate table a signing tool
// appends behind everything (the security directory). Portable: no Windows
// API; it works on the first bytes of the file, read by the caller.
#ifndef TARNWICK_PE_IMAGE_H
#define TARNWICK_PE_IMAGE_H

#include <stddef.h>
#include <stdint.h>

enum {
    kPeHeadBytes = 4096,  // how much of the file's start the reader needs
};

struct PeFacts {
    uint16_t machine;      // 0x14c i386, 0x8664 x86_64
    int pe32Plus;          // 1 for a 64-bit optional header
    uint16_t subsystem;    // 2 GUI, 3 console
    int64_t imageEnd;      // end of the last section's raw data in the file
    int64_t certOffset;    // certificate table: file offset, 0 when none
    int64_t certSize;
    // Where the header keeps the checksum and the certificate table's entry
    // (offset and size, 8 bytes), both inside the first kPeHeadBytes; 0 when
    // the header has no such field.
    int64_t checksumAt;
    int64_t certEntryAt;
};

// Reads the headers from head (headLen bytes of the file's start; more
// than kPeHeadBytes is not looked at) of a file of fileSize bytes. Returns
// NULL on success, else a one-line reason. A certificate table is taken
// only when it lies wholly inside the file, behind the image.
const char *ReadPeFacts(const unsigned char *head, size_t headLen, int64_t fileSize, PeFacts *out);

// The header's checksum: the 16-bit words of the file added with end-around
// carry, the checksum field itself read as zero, plus the file's length.
// PeChecksumAdd takes the file in pieces that each start at an even
// offset (only the last may have an odd length, read as if padded with a
// zero byte) with the field already zeroed; PeChecksumEnd finishes it.
uint32_t PeChecksumAdd(uint32_t sum, const unsigned char *bytes, size_t n);
uint32_t PeChecksumEnd(uint32_t sum, uint64_t fileSize);

// Where the file's own data ends: the start of its certificate table when
// it has one, else its size.
int64_t PeDataEnd(const PeFacts *facts, int64_t fileSize);

// Where a trailer search should take the end of a program file's data, in
// the order to try: for an unsigned file its size alone; for a signed one
// the start of the certificate table, then each place up to 7 zero bytes
// before it, since signing tools pad the data to 8 bytes before appending
// the table. A file whose headers cannot be read counts as unsigned.
// read returns the count read or -1. Returns how many ends were stored.
enum { kPeMaxDataEnds = 8 };
typedef int32_t (*PeReadFn)(void *ctx, int64_t offset, void *buf, uint32_t n);
int PeDataEnds(PeReadFn read, void *ctx, int64_t fileSize, int64_t ends[kPeMaxDataEnds]);

#endif
