#include "disc_names.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <map>

namespace {

// Decodes one UTF-8 character at p (n bytes left). Returns its length, or
// 0 when the bytes are no character (overlong forms and surrogates too).
size_t Utf8Char(const unsigned char *p, size_t n, uint32_t *c)
{
    if (p[0] < 0x80) {
        *c = p[0];
        return 1;
    }
    size_t len = p[0] >= 0xF0 && p[0] <= 0xF4 ? 4 : p[0] >= 0xE0 ? 3 : p[0] >= 0xC2 && p[0] < 0xE0 ? 2 : 0;
    if (len == 0 || len > n)
        return 0;
    uint32_t v = p[0] & (0x7F >> len);
    for (size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        v = (v << 6) | (p[i] & 0x3F);
    }
    static const uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (v < kLeast[len] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return 0;
    *c = v;
    return len;
}

int IsDChar(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Windows opens no file of these names, whatever the extension.
int IsDeviceName(const std::string &name)
{
    std::string stem = name.substr(0, name.find('.'));
    for (char &c : stem)
        c = (char)toupper((unsigned char)c);
    static const char *const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CLOCK$"};
    for (const char *d : kDevices) {
        if (stem == d)
            return 1;
    }
    return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
           stem[3] >= '1' && stem[3] <= '9';
}

// The name in upper case as Windows compares names (ASCII letters; other
// characters as they are, which is how the CD-ROM file system compares the
// UCS-2 names it reads).
std::string Fold(const std::string &s)
{
    std::string out = s;
    for (char &c : out)
        c = (char)toupper((unsigned char)c);
    return out;
}

// Why one name (a part of a path) cannot go on the disc; empty when it can.
std::string NameFault(const std::string &name, int isDir)
{
    const unsigned char *p = (const unsigned char *)name.data();
    size_t n = name.size(), chars = 0;
    for (size_t i = 0; i < n;) {
        uint32_t c = 0;
        size_t len = Utf8Char(p + i, n - i, &c);
        if (len == 0)
            return "not UTF-8 text: its Joliet name cannot be written";
        if (c > 0xFFFF)
            return "holds a character beyond U+FFFF, which Joliet's UCS-2 cannot hold";
        char text[96];
        if (c < 0x20 || c == 0x7F) {
            snprintf(text, sizeof text, "holds the control character U+%04X, which Joliet refuses",
                     (unsigned)c);
            return text;
        }
        if (c < 0x80 && strchr("*/:;?\\<>\"|", (int)c) != NULL) {
            snprintf(text, sizeof text, "holds '%c', which Joliet or Windows refuses", (char)c);
            return text;
        }
        i += len;
        ++chars;
    }
    if (chars > kJolietNameMax)
        return "is " + std::to_string(chars) + " characters: Joliet holds " +
               std::to_string(kJolietNameMax) + ", so the image would cut it";
    if (name.back() == '.' || name.back() == ' ')
        return "ends in a dot or a blank, which Windows drops from a name it opens";
    if (IsDeviceName(name))
        return "is a device name: Windows opens the device, not the file";
    size_t isoMax = isDir ? kIsoLevel2DirMax : kIsoLevel2FileMax;
    if (chars > isoMax)
        return "is " + std::to_string(chars) + " characters: ISO 9660 level 2 holds " +
               std::to_string(isoMax) + " for a " + (isDir ? "folder" : "file") +
               ", so readers without Joliet would see it cut";
    return "";
}

}  // namespace

std::string IsoLevel2Name(const std::string &name, int isDir)
{
    size_t lastDot = isDir ? std::string::npos : name.rfind('.');
    std::string out;
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = (unsigned char)toupper((unsigned char)name[i]);
        if (i == lastDot)
            out += '.';
        else if (IsDChar(c))
            out += (char)c;
        else if ((c & 0xC0) != 0x80)  // one underscore for a whole UTF-8 character
            out += '_';
    }
    return out;
}

std::vector<DiscNameFault> DiscNameFaults(const std::vector<DiscEntry> &entries)
{
    std::vector<DiscNameFault> faults;
    // Folder and name, folded, to the first entry of that spelling.
    std::map<std::string, size_t> seen, seenIso;
    for (size_t i = 0; i < entries.size(); ++i) {
        const DiscEntry &e = entries[i];
        std::string path = e.path;
        size_t depth = 0, from = 0, chars = 0;
        std::string first;
        while (from <= path.size()) {
            size_t to = path.find('/', from);
            if (to == std::string::npos)
                to = path.size();
            std::string part = path.substr(from, to - from);
            int last = to == path.size();
            if (part.empty() || part == "." || part == "..") {
                first = "has an empty part, '.' or '..'";
                break;
            }
            std::string why = NameFault(part, last ? e.isDir : 1);
            if (!why.empty()) {
                // The fault of a folder is told once, at the folder.
                if (last)
                    first = why;
                else
                    first = "";
                break;
            }
            for (unsigned char c : part)
                chars += (c & 0xC0) != 0x80;
            if (!last || e.isDir)
                ++depth;
            from = to + 1;
        }
        if (!first.empty()) {
            faults.push_back({i, 1, first});
            continue;
        }
        chars += std::count(path.begin(), path.end(), '/') + 1;  // the separators and the root's
        if (depth > kIsoDirDepthMax) {
            faults.push_back({i, 1, "lies " + std::to_string(depth) + " folders deep: ISO 9660 "
                                    "holds " + std::to_string(kIsoDirDepthMax) +
                                    " below the root"});
            continue;
        }
        if (chars > kJolietPathMax) {
            faults.push_back({i, 1, "the path is " + std::to_string(chars) + " characters: Joliet "
                                    "holds " + std::to_string(kJolietPathMax)});
            continue;
        }
        if (!e.isDir && e.size > 0xFFFFFFFFull) {
            faults.push_back({i, 1, "is 4 GiB or more: ISO 9660 level 2 holds a file in one "
                                    "extent of less"});
            continue;
        }
        std::string key = Fold(path);
        auto was = seen.find(key);
        if (was != seen.end()) {
            faults.push_back({i, 1, "Windows takes it for " + entries[was->second].path +
                                    ", which differs only in case"});
            continue;
        }
        seen[key] = i;
        // The ISO 9660 name: renamed characters are what a reader without
        // Joliet sees; two names renamed alike are told apart by the image
        // writer with digits, which no one expects.
        size_t slash = path.rfind('/');
        std::string parent = slash == std::string::npos ? "" : Fold(path.substr(0, slash));
        std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
        std::string iso = IsoLevel2Name(base, e.isDir);
        auto twin = seenIso.find(parent + "/" + iso);
        if (twin != seenIso.end())
            faults.push_back({i, 1, "its ISO 9660 name " + iso + " is that of " +
                                    entries[twin->second].path + " too"});
        else if (iso != Fold(base))
            faults.push_back({i, 0, "readers without Joliet see it as " + iso});
        seenIso[parent + "/" + iso] = i;
    }
    return faults;
}

const char *VolumeLabelFault(const char *label)
{
    size_t n = strlen(label);
    if (n == 0 || n > 16)
        return "a volume label is 1 to 16 characters";
    for (size_t i = 0; i < n; ++i) {
        if (!IsDChar((unsigned char)label[i]))
            return "a volume label holds only capital letters, digits and underscores";
    }
    return NULL;
}

std::string VolumeLabelFrom(const char *title)
{
    std::string out;
    for (const char *p = title; *p; ++p) {
        unsigned char c = (unsigned char)toupper((unsigned char)*p);
        if (IsDChar(c) && c != '_')
            out += (char)c;
        else if (!out.empty() && out.back() != '_')
            out += '_';
    }
    while (!out.empty() && out.back() == '_')
        out.pop_back();
    if (out.size() > 16) {
        size_t cut = out.rfind('_', 16);
        out = out.substr(0, cut != std::string::npos && cut > 0 ? cut : 16);
    }
    return out.empty() ? "BOOK" : out;
}
