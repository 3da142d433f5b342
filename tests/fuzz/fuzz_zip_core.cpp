// Fuzzes the unzip core with arbitrary archives: it may not read or write
// outside its buffers, leave a file open, or put a file outside the target.
#include <string.h>

#include "tests/host/zip_fixture.h"
#include "fuzz_code_page.h"

// Read character by character in the input's code page, as Windows reads
// the path: no "\\" or ":" of its own, no lead byte without its trail byte,
// no component that is empty or only dots and blanks.
static void CheckInside(const std::string &path)
{
    std::string part;
    for (size_t i = 0; i <= path.size(); i += i < path.size() ? CharSize(&path[i]) : 1) {
        if (i < path.size() && (IsBrokenChar(&path[i], path.size() - i) ||
                                (CharSize(&path[i]) == 1 && strchr("\\:", path[i]) != NULL)))
            __builtin_trap();
        if (i < path.size() && path[i] != '/') {
            part.append(&path[i], CharSize(&path[i]));
        } else if (part.find_first_not_of(". ") == std::string::npos) {
            __builtin_trap();  // also an empty part: a leading, doubled or trailing "/"
        } else {
            part.clear();
        }
    }
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    UseFuzzCodePage(size);
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
