// Fuzzes the reader of the builder's description file, tkbuild.txt: no text
// may make it read or write outside its buffers, every value stays a
// terminated string of its field, and a path is marked cut exactly when
// the line that set it was longer than the line buffer.
#include <stdio.h>
#include <string.h>

#include <string>

#include "embed/build_file.h"
#include "fuzz_code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    UseFuzzCodePage(size);
    FILE *file = fmemopen((void *)data, size, "r");
    if (file == NULL)
        return 0;
    BuildSettings s;
    memset(&s, 0, sizeof s);
    ReadBuildLines(file, &s);
    fclose(file);
    const char *values[] = {s.path1, s.path2, s.path3, s.message, s.selfDelete};
    for (const char *v : values) {
        if (strnlen(v, kBuildValueSize) >= kBuildValueSize)
            __builtin_trap();
        IsNullPath(v);
    }
    // A path taken from a short line is never marked cut.
    std::string text((const char *)data, size);
    if (text.size() < kBuildLineSize - 1 && (s.pathCut[0] || s.pathCut[1] || s.pathCut[2]))
        __builtin_trap();
    return 0;
}
