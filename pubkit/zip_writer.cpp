#include "zip_writer.h"

#include <dirent.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dunzip/zip_core.h"

namespace {

// 1980-01-01 00:00:00, the earliest a DOS time can say: nothing of the
// machine or the moment leaks into the archive.
const uint16_t kFixedDate = (0 << 9) | (1 << 5) | 1;
const uint16_t kFixedTime = 0;
const uint32_t kChunk = 65536;
const uint64_t kZipLimit = 0xFFFFFFFFull;  // no zip64: 32-bit sizes and offsets

struct Member {
    std::string rel;   // '/'-separated, as stored
    std::string path;  // on disk
};

char gReason[600];

const char *Fail(const char *what, const std::string &name)
{
    snprintf(gReason, sizeof gReason, "%s: %s", what, name.c_str());
    return gReason;
}

void Put16(unsigned char *p, uint32_t v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

void Put32(unsigned char *p, uint32_t v)
{
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}

const char *Collect(const std::string &dir, const std::string &prefix, std::vector<Member> *out)
{
    DIR *d = opendir(dir.c_str());
    if (d == NULL)
        return Fail("cannot read folder", dir);
    std::vector<std::string> names;
    while (struct dirent *e = readdir(d)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
            names.push_back(e->d_name);
    }
    closedir(d);
    for (const std::string &name : names) {
        std::string path = dir + "/" + name, rel = prefix + name;
        struct stat st;
        if (stat(path.c_str(), &st) != 0)
            return Fail("cannot read", path);
        if (S_ISDIR(st.st_mode)) {
            const char *why = Collect(path, rel + "/", out);
            if (why != NULL)
                return why;
        } else if (S_ISREG(st.st_mode)) {
            out->push_back({rel, path});
        } else {
            return Fail("not a file or folder", path);
        }
    }
    return NULL;
}

struct Written {
    uint16_t method;
    uint32_t crc;
    uint32_t packed;
    uint32_t size;
    uint32_t localOffset;
};

// Copies the file into the archive stored or deflated; crc and sizes come
// back in w. The caller has written the local header already.
const char *WriteData(const Member &m, FILE *out, int deflating, Written *w, unsigned char *in,
                      unsigned char *buf)
{
    FILE *f = fopen(m.path.c_str(), "rb");
    if (f == NULL)
        return Fail("cannot read", m.path);
    z_stream z;
    memset(&z, 0, sizeof z);
    if (deflating && deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8,
                                  Z_DEFAULT_STRATEGY) != Z_OK) {
        fclose(f);
        return Fail("out of memory deflating", m.rel);
    }
    uint64_t size = 0, packed = 0;
    uint32_t crc = (uint32_t)crc32(0, Z_NULL, 0);
    const char *why = NULL;
    for (int done = 0; !done && why == NULL;) {
        size_t got = fread(in, 1, kChunk, f);
        if (ferror(f)) {
            why = Fail("read failed", m.path);
            break;
        }
        done = got < kChunk;
        crc = (uint32_t)crc32(crc, in, (uInt)got);
        size += got;
        if (!deflating) {
            packed += got;
            if (got != 0 && fwrite(in, 1, got, out) != got)
                why = Fail("write failed at", m.rel);
            continue;
        }
        z.next_in = in;
        z.avail_in = (uInt)got;
        do {
            z.next_out = buf;
            z.avail_out = kChunk;
            deflate(&z, done ? Z_FINISH : Z_NO_FLUSH);
            size_t n = kChunk - z.avail_out;
            packed += n;
            if (n != 0 && fwrite(buf, 1, n, out) != n)
                why = Fail("write failed at", m.rel);
        } while (z.avail_out == 0 && why == NULL);
    }
    if (deflating)
        deflateEnd(&z);
    fclose(f);
    if (why == NULL && (size > kZipLimit || packed > kZipLimit))
        why = Fail("member too large for a zip without zip64", m.rel);
    w->crc = crc;
    w->size = (uint32_t)size;
    w->packed = (uint32_t)packed;
    return why;
}

void LocalHeader(unsigned char *h, const Written &w, size_t nameLen)
{
    memset(h, 0, 30);
    Put32(h, 0x04034b50);
    Put16(h + 4, 20);
    Put16(h + 8, w.method);
    Put16(h + 10, kFixedTime);
    Put16(h + 12, kFixedDate);
    Put32(h + 14, w.crc);
    Put32(h + 18, w.packed);
    Put32(h + 22, w.size);
    Put16(h + 26, (uint32_t)nameLen);
}

// Every file under dir in bytewise order of its name, each name one the
// unzip core will expand.
const char *Gather(const char *dir, std::vector<Member> *members)
{
    const char *why = Collect(dir, "", members);
    if (why != NULL)
        return why;
    std::sort(members->begin(), members->end(),
              [](const Member &a, const Member &b) { return a.rel < b.rel; });
    if (members->size() > 0xFFFF)
        return Fail("too many files for a zip without zip64", dir);
    for (const Member &m : *members) {
        char safe[kZipPathMax];
        if (m.rel.size() > 0xFFFF ||
            ZipSafeName(m.rel.c_str(), m.rel.size(), safe, sizeof safe) != kZipNameFile)
            return Fail("name cannot be expanded on Windows", m.rel);
    }
    return NULL;
}

}  // namespace

const char *ListFolderMembers(const char *dir, FolderMemberFn fn, void *ctx)
{
    std::vector<Member> members;
    const char *why = Gather(dir, &members);
    if (why != NULL)
        return why;
    for (const Member &m : members)
        fn(ctx, m.rel.c_str(), m.path.c_str());
    return NULL;
}

const char *WriteFolderZip(const char *dir, FILE *out, ZipWriteStats *stats)
{
    std::vector<Member> members;
    const char *why = Gather(dir, &members);
    if (why != NULL)
        return why;

    long base = ftell(out);
    if (base < 0)
        return Fail("output is not seekable", dir);
    std::vector<unsigned char> in(kChunk), buf(kChunk);
    std::vector<Written> written;
    uint64_t bytesIn = 0;
    for (const Member &m : members) {
        Written w = {8, 0, 0, 0, 0};
        long at = ftell(out);
        if ((uint64_t)(at - base) > kZipLimit)
            return Fail("archive too large for a zip without zip64", m.rel);
        w.localOffset = (uint32_t)(at - base);
        unsigned char h[30];
        LocalHeader(h, w, m.rel.size());
        if (fwrite(h, 1, 30, out) != 30 || fwrite(m.rel.data(), 1, m.rel.size(), out) != m.rel.size())
            return Fail("write failed at", m.rel);
        long data = ftell(out);
        if ((why = WriteData(m, out, 1, &w, in.data(), buf.data())) != NULL)
            return why;
        if (w.packed >= w.size) {
            // Deflating did not pay: the same bytes stored, over the top.
            w.method = 0;
            if (fseek(out, data, SEEK_SET) != 0 ||
                (why = WriteData(m, out, 0, &w, in.data(), buf.data())) != NULL)
                return why != NULL ? why : Fail("seek failed at", m.rel);
        }
        long end = ftell(out);
        LocalHeader(h, w, m.rel.size());
        if (fseek(out, at, SEEK_SET) != 0 || fwrite(h, 1, 30, out) != 30 ||
            fseek(out, end, SEEK_SET) != 0)
            return Fail("write failed at", m.rel);
        written.push_back(w);
        bytesIn += w.size;
    }

    long cdStart = ftell(out);
    for (size_t i = 0; i < members.size(); ++i) {
        const Written &w = written[i];
        const std::string &rel = members[i].rel;
        unsigned char c[46];
        memset(c, 0, sizeof c);
        Put32(c, 0x02014b50);
        Put16(c + 4, 20);  // made by: MS-DOS, zip 2.0
        Put16(c + 6, 20);
        Put16(c + 10, w.method);
        Put16(c + 12, kFixedTime);
        Put16(c + 14, kFixedDate);
        Put32(c + 16, w.crc);
        Put32(c + 20, w.packed);
        Put32(c + 24, w.size);
        Put16(c + 28, (uint32_t)rel.size());
        Put32(c + 42, w.localOffset);
        if (fwrite(c, 1, 46, out) != 46 || fwrite(rel.data(), 1, rel.size(), out) != rel.size())
            return Fail("write failed at", rel);
    }
    long cdEnd = ftell(out);
    if ((uint64_t)(cdEnd - base) > kZipLimit)
        return Fail("archive too large for a zip without zip64", dir);
    unsigned char e[22];
    memset(e, 0, sizeof e);
    Put32(e, 0x06054b50);
    Put16(e + 8, (uint32_t)members.size());
    Put16(e + 10, (uint32_t)members.size());
    Put32(e + 12, (uint32_t)(cdEnd - cdStart));
    Put32(e + 16, (uint32_t)(cdStart - base));
    if (fwrite(e, 1, 22, out) != 22 || fflush(out) != 0)
        return Fail("write failed at the end of", dir);
    // A member rewritten stored may have left deflated bytes past the end.
    if (ftruncate(fileno(out), ftell(out)) != 0)
        return Fail("cannot set the size of the output for", dir);
    if (stats != NULL) {
        stats->members = (uint32_t)members.size();
        stats->bytesIn = bytesIn;
        stats->bytesOut = (uint64_t)(ftell(out) - base);
    }
    return NULL;
}
