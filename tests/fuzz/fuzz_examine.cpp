// Fuzzes the toolkit's inspect with arbitrary file contents behind a small
// valid program image, so the input reaches the trailers, the offsets and
// PACK.BOX rather than stopping at the program headers. Whatever the bytes,
// inspect must give a report or a reason, never read out of bounds, in
// whatever code page the book is for (fuzz_book_code_page.h).
#include <stdio.h>
#include <string.h>

#include <string>

#include "pubkit/examine.h"
#include "fuzz_book_code_page.h"
#include "minimal_pe.h"

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
    UseFuzzBookCodePage(size);
    static const std::string image = MinimalPeImage();
    std::string file = image + std::string((const char *)data, size);
    ExamineSource src = {&file, (int64_t)file.size(), ReadString};
    FILE *out = fopen("/dev/null", "w");
    if (out == NULL)
        return 0;
    ExaminePackage(&src, out);
    fclose(out);
    return 0;
}
