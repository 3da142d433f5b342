// Fuzzes the unzip core with arbitrary archives: it may not read or write
// outside its buffers, leave a file open, or put a file outside the target.
#include <string.h>

#include "tests/host/zip_fixture.h"

static void CheckInside(const std::string &path)
{
    if (path.empty() || path[0] == '/' || path.find('\\') != std::string::npos ||
        path.find(':') != std::string::npos)
        __builtin_trap();
    size_t start = 0;
    for (;;) {
        size_t end = path.find('/', start);
        std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty() || part.find_first_not_of(". ") == std::string::npos)
            __builtin_trap();
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    MemFs fs;
    fs.archive.assign((const char *)data, size);
    ZipStats st;
    int rc = ExpandInMemory(&fs, &st);
    if (fs.openFiles != 0 || rc < kZipDone || rc > kZipNoMemory)
        __builtin_trap();
    // Done is what setup relies on: every entry a file, a folder or refused.
    if (ZipOutcome(rc, &st) == kZipDone && st.files + st.dirs + st.unsafe != st.members)
        __builtin_trap();
    for (const auto &f : fs.files)
        CheckInside(f.first);
    for (const auto &d : fs.dirs)
        CheckInside(d);
    if (fs.largestWrite > (uint32_t)kZipBufferSize)
        __builtin_trap();

    char out[64];
    if (ZipSafeName((const char *)data, size, out, sizeof out) != kZipNameUnsafe) {
        if (strlen(out) >= sizeof out)
            __builtin_trap();
        CheckInside(out);
    }
    return 0;
}
