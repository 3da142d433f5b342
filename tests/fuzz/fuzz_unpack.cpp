// Fuzzes unpack with arbitrary file contents behind a small valid program
// image. Whatever the bytes, it must write its parts whole, under names that
// stay inside the output folder, or give a reason; never read out of bounds,
// in whatever code page the book is for (fuzz_book_code_page.h).
#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include <string>

#include "pubkit/unpack.h"
#include "fuzz_book_code_page.h"
#include "minimal_pe.h"

static int RemoveOne(const char *path, const struct stat *, int, struct FTW *)
{
    return remove(path);
}

static std::string work;

static void RemoveWork()
{
    rmdir(work.c_str());
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    UseFuzzBookCodePage(size);
    static const std::string image = MinimalPeImage();
    static FILE *quiet = fopen("/dev/null", "w");
    if (work.empty()) {
        char tmpl[] = "/tmp/fuzz_unpack.XXXXXX";
        if (mkdtemp(tmpl) == NULL || quiet == NULL)
            abort();
        work = tmpl;
        atexit(RemoveWork);
    }
    std::string in = work + "/in.exe", out = work + "/out";
    FILE *f = fopen(in.c_str(), "wb");
    if (f == NULL)
        abort();
    fwrite(image.data(), 1, image.size(), f);
    fwrite(data, 1, size, f);
    fclose(f);
    UnpackRequest r = {in.c_str(), out.c_str(), 1, quiet};
    UnpackFile(&r);
    // Nothing may have been written beside the output folder.
    nftw(out.c_str(), RemoveOne, 16, FTW_DEPTH | FTW_PHYS);
    remove(in.c_str());
    if (rmdir(work.c_str()) != 0)
        abort();
    if (mkdir(work.c_str(), 0700) != 0)
        abort();
    return 0;
}
