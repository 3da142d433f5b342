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
};

// Reads the headers from head (headLen bytes of the file's start; more
// than kPeHeadBytes is not looked at) of a file of fileSize bytes. Returns
// NULL on success, else a one-line reason. A certificate table is taken
// only when it lies wholly inside the file, behind the image.
const char *ReadPeFacts(const unsigned char *head, size_t headLen, int64_t fileSize, PeFacts *out);

// Where the file's own data ends: the start of its certificate table when
// it has one, else its size.
int64_t PeDataEnd(const PeFacts *facts, int64_t fileSize);

#endif
