// Explaining a finished package or embed installer: its trailer, its
// regions, the members of its PACK.BOX (each checked) and the plan its
// SETUP.INI describes. Native only (the publisher's toolkit).
#ifndef TARNWICK_PUBKIT_EXAMINE_H
#define TARNWICK_PUBKIT_EXAMINE_H

#include <stdint.h>
#include <stdio.h>

// Random access to the file being examined; read returns the count read
// (fewer only at the end) or -1.
struct ExamineSource {
    void *ctx;
    int64_t size;
    int32_t (*read)(void *ctx, uint64_t offset, void *buf, uint32_t n);
};

// Writes the report to out. Returns NULL when the file is sound, else a
// one-line reason why it is damaged or not a package at all.
const char *ExaminePackage(const ExamineSource *src, FILE *out);

#endif
