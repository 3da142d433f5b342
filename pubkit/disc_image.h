// A disc image: mastered through libisofs as ISO 9660 level 2 with Joliet
// names, reproducibly (every time fixed and recorded as GMT, the files in
// bytewise order of their paths, no Rock Ridge fields of the host's users
// or inodes), and read back through libisofs for inspect and check. Native
// only (the publisher's toolkit).
#ifndef TARNWICK_PUBKIT_DISC_IMAGE_H
#define TARNWICK_PUBKIT_DISC_IMAGE_H

#include <stdint.h>
#include <stdio.h>
#include <time.h>

#include <string>
#include <vector>

#include "examine.h"

struct DiscFile {
    std::string path;    // in the image, from its root, '/' between parts
    std::string source;  // the file on disk; empty: bytes is the content
    std::string bytes;
};

struct DiscMaster {
    const char *label;  // the volume label (VolumeLabelFault passes it)
    time_t when;        // every time the image records
    std::vector<DiscFile> files;  // folders are made as the paths need them
};

struct Output;

// Writes the image to out (opened by the caller, who commits it). Returns
// NULL, or a one-line reason.
const char *MasterDiscImage(const DiscMaster *m, Output *out);

// Whether the file begins as an ISO 9660 image does (a volume descriptor
// at 32 KiB).
int IsDiscImage(const char *path);

struct DiscImageFile {
    std::string path;  // the Joliet name (the ISO 9660 name without Joliet)
    int isDir;
    uint64_t offset;   // where its bytes lie in the image
    uint64_t size;
};

struct DiscImage {
    std::string label;
    int joliet;
    uint64_t size;  // the image's file size
    uint64_t volumeBytes;  // what its volume descriptor says it holds
    std::vector<DiscImageFile> files;  // in the order of the tree, folders first in each
    // Each name a reader without Joliet sees otherwise: "ISO path\tJoliet path".
    std::vector<std::string> isoRenamed;
};

// Reads the image's tree. Every extent is checked against the file's size,
// and the files together may not hold more than the image (extents that
// overlap would unpack to more than was given). Returns NULL, or a reason.
const char *ReadDiscImage(const char *path, DiscImage *image);

// A file of the image as a source for the package reader.
const char *OpenDiscImageFile(const char *imagePath, const DiscImageFile &file, ExamineSource *src);
void CloseDiscImageFile(ExamineSource *src);

// Writes every file of the image under folder (which exists). Returns NULL,
// or a reason.
const char *ExtractDiscImage(const char *imagePath, const DiscImage &image, const char *folder);

// Removes a scratch folder and everything in it (links are removed, not
// followed).
void RemoveScratchTree(const char *folder);

#endif
