// Reading a finished package or embed installer: where its parts lie, the
// members of its PACK.BOX (each checked), and the report `inspect` prints
// from them, with the plan its SETUP.INI describes. Native only (the
// publisher's toolkit).
#ifndef TARNWICK_PUBKIT_EXAMINE_H
#define TARNWICK_PUBKIT_EXAMINE_H

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "common/pe_image.h"
#include "dunzip/zip_core.h"
#include "embed/trailer.h"
#include "setup/payload/trailer.h"

// Random access to the file being examined; read returns the count read
// (fewer only at the end) or -1.
struct ExamineSource {
    void *ctx;
    int64_t size;
    int32_t (*read)(void *ctx, uint64_t offset, void *buf, uint32_t n);
};

// A file on disk as a source. Returns NULL, or why it cannot be read;
// CloseExamineFile releases what OpenExamineFile took.
const char *OpenExamineFile(const char *path, ExamineSource *src);
void CloseExamineFile(ExamineSource *src);

enum FileKind { kFilePackage = 1, kFileEmbed = 2 };

// Where a finished file's parts lie, as the programs find them.
struct FileLayout {
    int kind;
    PeFacts pe;
    // The program image runs from 0 to imageEnd: for a package the end of
    // its sections (METER.DLL follows), for an installer its first cargo.
    int64_t imageEnd;
    int64_t trailerAt;
    // trailerAt + 512. Behind it: nothing, the padding and signature a
    // signing tool appends, or bytes some other tool appended.
    int64_t dataEnd;
    unsigned char record[kTrailerSize];
    PayloadSettings package;  // kFilePackage
    EmbedFields embed;        // kFileEmbed
    int32_t embedDistance;    // how far before the data's end it was found
};

// Finds the trailer and checks that its offsets describe the file. Returns
// NULL, or a one-line reason why the file is damaged or no finished file.
const char *ReadFileLayout(const ExamineSource *src, FileLayout *layout);

struct PackMember {
    std::string name;  // as the unzip core would write it, '/' between parts
    uint32_t crc;      // as expanded; the directory's when never expanded
    uint64_t size;
    int removed;       // failed its CRC or size check
    std::string fault; // why setup will not have it; empty when it will
    int stops;         // with it, DUNZIP32.DLL fails and setup stops (alert 1008)
    int ascii = 1;     // its stored name is ASCII throughout
};

// PACK.BOX as the unzip core reads it, writing nothing.
struct PackView {
    std::vector<PackMember> members;
    ZipStats stats;
    int hasScript;
    std::string script;  // SETUP.INI's text (its first MiB)
    int hasEmbed;
    uint64_t embedSize;  // EMBED.EXE: its size, first bytes and last bytes
    std::string embedHead, embedTail;
};

// Reads the archive lying at start..end of src: every member but folders,
// each with the fault for which setup will not have it (damaged, failing its
// checks, never written by the unzip library, a name Windows cannot take in
// installDir or takes for another member's; not judged when installDir is
// NULL). Returns NULL, or the reason the
// archive is refused as a whole (no zip archive, members that overlap...).
const char *ReadPackBox(const ExamineSource *src, int64_t start, int64_t end,
                        const char *installDir, PackView *view);

// The first member setup will not have, as one line ("PACK.BOX member X:
// why", how many more there are, and whether setup stops on them); NULL
// when there is none.
const char *FirstMemberFault(const PackView *view);

// EMBED.EXE of a PACK.BOX as a source: reads within the bytes the view
// kept succeed, others fail, which is all an installer's layout needs.
void EmbedMemberSource(const PackView *view, ExamineSource *src);

// The plan a SETUP.INI describes, one step a line, in the order it runs,
// as the installer reads the script.
void DescribePlan(const std::string &script, FILE *out);

// Writes the report to out. Returns NULL when the file is sound, else a
// one-line reason why it is damaged or not a package at all.
const char *ExaminePackage(const ExamineSource *src, FILE *out);

// The same report as one JSON object for scripts: its "damage" is the
// reason (null when sound). Returns what ExaminePackage returns.
const char *ExaminePackageJson(const ExamineSource *src, const char *path, FILE *out);

#endif
