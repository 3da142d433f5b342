#include "check_medium.h"

#include <dirent.h>
#include <stdio.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

#include "book_codepage.h"
#include "common/text.h"
#include "setup/bitmap/dib.h"

std::string OnMedium(const std::string &medium, const std::string &path)
{
    std::string at = medium;
    size_t from = 0;
    while (from <= path.size()) {
        const char *sep = FindAnyOf(path.c_str() + from, "\\/");
        size_t to = sep != NULL ? (size_t)(sep - path.c_str()) : path.size();
        std::string part = path.substr(from, to - from);
        from = to + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return "";
        DIR *d = opendir(at.c_str());
        if (d == NULL)
            return "";
        std::string found, wanted = WindowsNameKey(part), stored;
        while (struct dirent *e = readdir(d)) {
            // The disc's names are this system's (UTF-8): as the book
            // stores them, or no match.
            if (NameForBook(e->d_name, &stored) == NULL && WindowsNameKey(stored) == wanted) {
                found = e->d_name;
                break;
            }
        }
        closedir(d);
        if (found.empty())
            return "";
        at += "/" + found;
    }
    struct stat st;
    return stat(at.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? at : "";
}

std::string ReadSmallFile(const std::string &path, size_t limit)
{
    std::string text;
    FILE *f = fopen(path.c_str(), "rb");
    if (f == NULL)
        return text;
    char buf[4096];
    size_t got;
    while (text.size() < limit && (got = fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, std::min(got, limit - text.size()));
    fclose(f);
    return text;
}

namespace {

std::string Trim(const std::string &s)
{
    size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

// A value of an ini file as the system's profile reader gives it: section
// and key in any case, blanks around both trimmed, one pair of quotes
// around the value dropped. Returns 0 when the key is not there.
int ProfileValue(const std::string &text, const char *section, const char *key, std::string *value)
{
    int inSection = 0;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(text.substr(at, end - at));
        if (!line.empty() && line.back() == '\r')
            line = Trim(line.substr(0, line.size() - 1));
        at = end + 1;
        if (!line.empty() && line[0] == '[') {
            size_t close = line.find(']');
            inSection = close != std::string::npos &&
                        EqualsNoCase(Trim(line.substr(1, close - 1)).c_str(), section);
            continue;
        }
        size_t eq = line.find('=');
        if (!inSection || eq == std::string::npos || !EqualsNoCase(Trim(line.substr(0, eq)).c_str(), key))
            continue;
        *value = Trim(line.substr(eq + 1));
        if (value->size() >= 2 && (*value)[0] == '"' && value->back() == '"')
            *value = value->substr(1, value->size() - 2);
        return 1;
    }
    return 0;
}

// The background picture as setup's reader takes it: NULL when it loads,
// else the message setup shows.
const char *PictureFault(const std::string &path, int *shortPixels)
{
    *shortPixels = 0;
    FILE *f = fopen(path.c_str(), "rb");
    if (f == NULL)
        return "Can't open file";
    struct stat st;
    unsigned char fileHeader[kDibFileHeaderBytes], header[kDibInfoHeaderBytes];
    size_t got = fstat(fileno(f), &st) == 0 ? fread(fileHeader, 1, sizeof fileHeader, f) : 0;
    DibFileHeader fh;
    if (!BmpParseFileHeader(fileHeader, got, &fh))
        fseek(f, 0, SEEK_SET);
    got = fread(header, 1, sizeof header, f);
    fclose(f);
    DibLayout layout;
    if (!BmpParseHeader(&fh, 0, header, got, (uint64_t)st.st_size, &layout))
        return "is not a Legitimate DIB File!";
    std::vector<unsigned char> block((size_t)layout.headerBlockBytes, 0);
    BmpPutInfoHeader(block.data(), &layout);
    DibPaletteEntry entries[kDibMaxColours];
    if (BmpPaletteEntries(block.data(), entries) == 0)
        return "CreatePalette() Failed";
    *shortPixels = layout.pixelStart + layout.info.sizeImage > (uint64_t)st.st_size;
    return NULL;
}

}  // namespace

void CheckMedium(Sink *s, const std::string &medium)
{
    std::string ini = OnMedium(medium, "tarnwsi.ini"), picture, named;
    std::string where = medium + "/tarnwsi.ini";
    if (!ini.empty()) {
        where = ini;
        if (!ProfileValue(ReadSmallFile(ini, 1 << 16), "Tarnwick", "BMPFILE", &named) ||
            named.empty()) {
            Say(s, 1, where, 0, "no BMPFILE= in its [Tarnwick] section: setup shows \"Can't open "
                                "file ''\" and no picture");
            return;
        }
        if (named.size() >= 2 && named[1] == ':') {
            Say(s, 0, where, 0, "BMPFILE=%s names a drive: the picture is not looked for",
                named.c_str());
            return;
        }
        picture = OnMedium(medium, named);
        if (picture.empty()) {
            Say(s, 1, where, 0, "BMPFILE=%s is not on the setup medium: setup shows \"Can't "
                                "open file '%s'\"", named.c_str(), named.c_str());
            return;
        }
    } else {
        picture = OnMedium(medium, "Setup.bmp");
        named = "Setup.bmp";
        if (picture.empty())
            return;  // no picture at all is no fault
    }
    int shortPixels = 0;
    const char *fault = PictureFault(picture, &shortPixels);
    if (fault != NULL)
        Say(s, 1, picture, 0, "setup refuses the background picture: \"%s%s%s\"",
            fault[0] == 'i' ? named.c_str() : "", fault[0] == 'i' ? " " : "", fault);
    else if (shortPixels)
        Say(s, 0, picture, 0, "the file ends before its pixels do: the rest of the picture "
                              "shows black");
}
