#include "codepage.h"

// Plain C-style code: DUNZIP32.DLL links it and carries no C++ run-time.

namespace {

// 1 for each lead byte of the process's ANSI code page.
unsigned char gLeadByte[256];
unsigned gCodePage;

// The lead-byte ranges the system reports for each double-byte code page.
const struct {
    unsigned codePage;
    unsigned char ranges[4];
} kBuiltIn[] = {
    {932, {0x81, 0x9F, 0xE0, 0xFC}},
    {936, {0x81, 0xFE, 0, 0}},
    {949, {0x81, 0xFE, 0, 0}},
    {950, {0x81, 0xFE, 0, 0}},
};

// Every trail byte of the double-byte code pages is 0x40 or above.
const unsigned char kLowestTrailByte = 0x40;

}  // namespace

void SetLeadByteRanges(const unsigned char *ranges, size_t count)
{
    for (size_t c = 0; c < 256; ++c)
        gLeadByte[c] = 0;
    gCodePage = 0;
    for (size_t i = 0; i + 1 < count && ranges[i] != 0; i += 2) {
        // Byte 0 is the terminator and never begins a character.
        for (unsigned c = ranges[i]; c <= ranges[i + 1] && c < 256; ++c)
            gLeadByte[c] = c != 0;
    }
}

int UseCodePage(unsigned codePage)
{
    for (size_t i = 0; i < sizeof kBuiltIn / sizeof kBuiltIn[0]; ++i) {
        if (kBuiltIn[i].codePage == codePage) {
            SetLeadByteRanges(kBuiltIn[i].ranges, sizeof kBuiltIn[i].ranges);
            gCodePage = codePage;
            return 1;
        }
    }
    SetLeadByteRanges(0, 0);
    return 0;
}

unsigned CurrentCodePage(void)
{
    return gCodePage;
}

int IsLeadByte(unsigned char c)
{
    return gLeadByte[c];
}

size_t CharSize(const char *text)
{
    return gLeadByte[(unsigned char)text[0]] && text[1] != '\0' ? 2 : 1;
}

size_t CharSizeN(const char *text, size_t left)
{
    return left >= 2 && gLeadByte[(unsigned char)text[0]] && text[1] != '\0' ? 2 : 1;
}

int IsBrokenChar(const char *text, size_t left)
{
    if (left == 0 || !gLeadByte[(unsigned char)text[0]])
        return 0;
    return left < 2 || (unsigned char)text[1] < kLowestTrailByte;
}

size_t WholeChars(const char *text, size_t n)
{
    size_t i = 0;
    while (i < n && text[i] != '\0') {
        size_t size = CharSize(text + i);
        if (i + size > n)
            break;
        i += size;
    }
    return i;
}
