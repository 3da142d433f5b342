// The names a disc image may hold: a CD-ROM drive of the Windows 95 era
// reads the Joliet names (up to 64 characters of UCS-2) and, without
// Joliet, the ISO 9660 level 2 names (up to 31 upper-case letters, digits
// and underscores with one dot). A name either fits both as it stands or
// is refused here: the image writer would otherwise cut or rename it
// without a word, and setup would look for a file that is not there.
// Native only (the publisher's toolkit).
#ifndef TARNWICK_PUBKIT_DISC_NAMES_H
#define TARNWICK_PUBKIT_DISC_NAMES_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

enum {
    kJolietNameMax = 64,       // characters of one name
    kJolietPathMax = 240,      // characters of a whole path
    kIsoLevel2FileMax = 30,    // a file's name, dot included (";1" makes 31... 32)
    kIsoLevel2DirMax = 31,     // a folder's name
    kIsoDirDepthMax = 7,       // folders below the root (the root is level 1 of 8)
};

// The largest image a CD-R of 80 minutes holds, and of 74 minutes (2,048
// bytes a sector).
const uint64_t kCd80Bytes = 360000ull * 2048;
const uint64_t kCd74Bytes = 333000ull * 2048;

struct DiscEntry {
    std::string path;  // from the disc's root, '/' between parts, UTF-8
    int isDir;
    uint64_t size;
};

struct DiscNameFault {
    size_t index;  // into the entries
    int error;     // 0: a warning
    std::string text;
};

// Every name that does not fit, and every two names a reader takes for
// one. Entries come in any order.
std::vector<DiscNameFault> DiscNameFaults(const std::vector<DiscEntry> &entries);

// The ISO 9660 level 2 name a reader without Joliet sees for a name that
// passes DiscNameFaults: upper case, characters outside letters, digits and
// the underscore made underscores, every dot but a file's last one too.
std::string IsoLevel2Name(const std::string &name, int isDir);

// A volume label both trees hold as it stands: 1 to 16 upper-case letters,
// digits and underscores. Returns NULL, or why not.
const char *VolumeLabelFault(const char *label);

// A label from a title ("The Lighthouse Keeper" gives THE_LIGHTHOUSE):
// upper case, runs of other characters made one underscore, cut at a word
// end to 16 characters. "BOOK" when nothing is left.
std::string VolumeLabelFrom(const char *title);

#endif
