// The names of a disc folder or image: each line of the input a path
// (one starting with '/' a folder), judged as pubkit disc and check judge
// them. Every fault names an entry; the ISO 9660 name and the label made of
// any bytes are ones the disc holds.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "pubkit/disc_names.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::string text((const char *)data, size);
    std::vector<DiscEntry> entries;
    size_t at = 0;
    while (at <= text.size() && entries.size() < 64) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        int dir = !line.empty() && line[0] == '/';
        entries.push_back({dir ? line.substr(1) : line, dir, line.size() * 1000003ull});
    }
    for (const DiscNameFault &f : DiscNameFaults(entries)) {
        if (f.index >= entries.size() || f.text.empty())
            abort();
    }
    for (const DiscEntry &e : entries) {
        for (char c : IsoLevel2Name(e.path, e.isDir)) {
            if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.'))
                abort();
        }
    }
    if (VolumeLabelFault(VolumeLabelFrom(text.c_str()).c_str()) != NULL)
        abort();
    return 0;
}
