// Expands a zip archive into a directory with the unzip core and C run-time
// file I/O, the way DUNZIP32.DLL does with Win32 I/O: the native half of
// tools/bench-dunzip. Prints the member counts; exits 1 unless every member
// was written and verified.
//
//   dunzip_bench ARCHIVE TARGET_DIR
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include "dunzip/zip_core.h"

struct Native {
    FILE *archive;
    const char *dir;
};

static int Join(const Native *n, const char *rel, char *out, size_t cap)
{
    return snprintf(out, cap, "%s/%s", n->dir, rel) < (int)cap;
}

static int32_t Read(void *ctx, uint64_t offset, void *buf, uint32_t len)
{
    FILE *f = ((Native *)ctx)->archive;
    if (fseeko(f, (off_t)offset, SEEK_SET) != 0)
        return -1;
    size_t got = fread(buf, 1, len, f);
    return ferror(f) ? -1 : (int32_t)got;
}

static void *Create(void *ctx, const char *rel)
{
    char path[4096];
    if (!Join((Native *)ctx, rel, path, sizeof path))
        return NULL;
    return fopen(path, "wb");
}

static int Write(void *, void *file, const void *buf, uint32_t len)
{
    return fwrite(buf, 1, len, (FILE *)file) == len;
}

static int Close(void *, void *file)
{
    return fclose((FILE *)file) == 0;
}

static void Remove(void *ctx, const char *rel)
{
    char path[4096];
    if (Join((Native *)ctx, rel, path, sizeof path))
        remove(path);
}

static void MakeDir(void *ctx, const char *rel)
{
    char path[4096];
    if (Join((Native *)ctx, rel, path, sizeof path))
        mkdir(path, 0755);
}

static int Progress(void *, uint32_t, uint32_t, uint32_t)
{
    return 1;
}

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: dunzip_bench ARCHIVE TARGET_DIR\n");
        return 2;
    }
    Native n = {fopen(argv[1], "rb"), argv[2]};
    if (n.archive == NULL) {
        perror(argv[1]);
        return 2;
    }
    fseeko(n.archive, 0, SEEK_END);
    uint64_t size = (uint64_t)ftello(n.archive);
    static ZipWork work;
    ZipIo io = {&n, Read, Create, Write, Close, Remove, MakeDir, Progress};
    ZipStats st;
    int rc = ZipExpandAll(&io, size, &work, &st);
    fclose(n.archive);
    printf("result %d: %u members, %u files, %u dirs, %u corrupt, %u unsafe, %llu bytes\n", rc,
           st.members, st.files, st.dirs, st.corrupt, st.unsafe,
           (unsigned long long)st.bytesWritten);
    return rc == kZipDone && st.files + st.dirs == st.members ? 0 : 1;
}
