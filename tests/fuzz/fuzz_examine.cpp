// Fuzzes the toolkit's inspect with arbitrary file contents behind a small
// valid program image, so the input reaches the trailers, the offsets and
// PACK.BOX rather than stopping at the program headers. Whatever the bytes,
// inspect must give a report or a reason, never read out of bounds.
#include <stdio.h>
#include <string.h>

#include <string>

#include "pubkit/examine.h"

static std::string Image()
{
    std::string s(1024, '\0');
    s[0] = 'M';
    s[1] = 'Z';
    s[0x3C] = 0x40;
    memcpy(&s[0x40], "PE\0\0", 4);
    s[0x44] = 0x4C;
    s[0x45] = 0x01;
    s[0x46] = 1;
    s[0x54] = (char)0xE0;
    s[0x58] = 0x0B;
    s[0x59] = 0x01;
    s[0x58 + 68] = 2;
    s[0x58 + 92] = 16;
    size_t section = 0x58 + 0xE0;
    s[section + 17] = 0x02;  // raw size 0x200
    s[section + 21] = 0x02;  // raw pointer 0x200
    return s;
}

static int32_t ReadString(void *ctx, uint64_t offset, void *buf, uint32_t n)
{
    const std::string *s = (const std::string *)ctx;
    if (offset >= s->size())
        return 0;
    size_t got = s->size() - offset < n ? s->size() - offset : n;
    memcpy(buf, s->data() + offset, got);
    return (int32_t)got;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    static const std::string image = Image();
    std::string file = image + std::string((const char *)data, size);
    ExamineSource src = {&file, (int64_t)file.size(), ReadString};
    FILE *out = fopen("/dev/null", "w");
    if (out == NULL)
        return 0;
    ExaminePackage(&src, out);
    fclose(out);
    return 0;
}
