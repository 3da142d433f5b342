// Counts, for each double-byte code page, the characters the text helpers
// mishandle when they read bytes (the empty table, as on a single-byte code
// page) against the same helpers reading the code page's characters: every
// two-byte sequence the C library's iconv decodes to one character is put
// through upper-casing, the last-backslash split, the ends-with-backslash
// test, the plain-name check and DUNZIP32.DLL's member-name rules.
// tools/bench-codepage builds and runs it.
#include <iconv.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "common/text.h"
#include "dunzip/zip_core.h"

namespace {

enum { kUpper, kSplit, kEndsWith, kPlain, kZipName, kAny, kKinds };
const char *const kKindNames[kKinds] = {"upper-case", "split", "ends-with-\\", "plain-name",
                                        "zip-name", "any"};

struct Counts {
    long hit[kKinds];
};

// Which helpers get the character c (two bytes) wrong; one flag per kind.
void Judge(const std::string &c, Counts *counts)
{
    int wrong[kKinds] = {};
    std::string s = "x" + c;
    UpperCase(&s[0]);
    wrong[kUpper] = s != "X" + c;
    wrong[kSplit] = LastBackslash(("C:\\D\\" + c).c_str()) != 4 ||
                    LastBackslash(("C:\\" + c + "N").c_str()) != 2;
    wrong[kEndsWith] = EndsWithBackslash(("C:\\" + c).c_str());
    wrong[kPlain] = !IsPlainName(c.data(), c.size());
    char out[16];
    std::string member = c + "/a";
    wrong[kZipName] = ZipSafeName(c.data(), c.size(), out, sizeof out) != kZipNameFile ||
                      ZipSafeName(member.data(), member.size(), out, sizeof out) !=
                          kZipNameFile ||
                      member != out;
    for (int k = 0; k < kAny; ++k) {
        counts->hit[k] += wrong[k];
        wrong[kAny] |= wrong[k];
    }
    counts->hit[kAny] += wrong[kAny];
}

// Whether iconv reads the two bytes as one character of the code page.
bool IsCharacter(iconv_t cd, unsigned char lead, unsigned char trail)
{
    char in[2] = {(char)lead, (char)trail};
    char out[16];
    char *ip = in, *op = out;
    size_t il = 2, ol = sizeof out;
    iconv(cd, NULL, NULL, NULL, NULL);
    if (iconv(cd, &ip, &il, &op, &ol) == (size_t)-1 || il != 0)
        return false;
    // One character: UTF-8 holds no ASCII byte inside a longer sequence.
    size_t n = sizeof out - ol;
    return n >= 2 && ((unsigned char)out[0] & 0xC0) == 0xC0;
}

}  // namespace

int main()
{
    static const struct {
        unsigned codePage;
        const char *iconvName;
    } kPages[] = {{932, "CP932"}, {936, "CP936"}, {949, "CP949"}, {950, "CP950"}};
    printf("%-6s %6s  %-12s %8s %8s\n", "page", "chars", "helper", "bytes", "chars");
    int status = 0;
    for (const auto &page : kPages) {
        iconv_t cd = iconv_open("UTF-8", page.iconvName);
        if (cd == (iconv_t)-1) {
            fprintf(stderr, "no iconv conversion from %s\n", page.iconvName);
            return 2;
        }
        UseCodePage(page.codePage);
        std::string chars;  // every character, two bytes each
        for (unsigned lead = 0x81; lead <= 0xFE; ++lead) {
            if (!IsLeadByte((unsigned char)lead))
                continue;
            for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
                if (IsCharacter(cd, (unsigned char)lead, (unsigned char)trail)) {
                    chars += (char)lead;
                    chars += (char)trail;
                }
            }
        }
        iconv_close(cd);
        Counts before = {}, after = {};
        for (size_t i = 0; i < chars.size(); i += 2) {
            UseCodePage(0);
            Judge(chars.substr(i, 2), &before);
            UseCodePage(page.codePage);
            Judge(chars.substr(i, 2), &after);
        }
        for (int k = 0; k < kKinds; ++k) {
            printf("%-6u %6zu  %-12s %8ld %8ld\n", page.codePage, chars.size() / 2, kKindNames[k],
                   before.hit[k], after.hit[k]);
        }
        if (after.hit[kAny] != 0)
            status = 1;
    }
    UseCodePage(0);
    printf("bytes: characters hit when read byte by byte (before); chars: read by the "
           "code page's characters (after)\n");
    return status;
}
