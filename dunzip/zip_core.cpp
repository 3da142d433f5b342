#include "zip_core.h"

#include "common/codepage.h"

#include <string.h>
#include <zlib.h>

enum {
    kEndSig = 0x06054b50,
    kEnd64Sig = 0x06064b50,
    kLocator64Sig = 0x07064b50,
    kEnd64Size = 56,
    kLocator64Size = 20,
    kExtraZip64 = 0x0001,
    kCentralSig = 0x02014b50,
    kLocalSig = 0x04034b50,
    kEndSize = 22,
    kCentralSize = 46,
    kLocalSize = 30,
    kMaxComment = 65535,
    kFlagEncrypted = 1,
    kMethodStored = 0,
    kMethodDeflated = 8,
};

static uint32_t Get16(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8;
}

static uint32_t Get32(const unsigned char *p)
{
    return Get16(p) | Get16(p + 2) << 16;
}

static uint64_t Get64(const unsigned char *p)
{
    return (uint64_t)Get32(p) | (uint64_t)Get32(p + 4) << 32;
}

// The central directory as the end record describes it.
struct Directory {
    uint64_t offset;
    uint64_t end;  // offset + size, never past the end record
    uint32_t count;
};

// A member as its central directory entry describes it.
struct Member {
    uint32_t flags, method, crc, packedSize, size;
    uint64_t localOffset;
};

// Reads exactly n bytes or reports failure; a short read is truncation.
static int ReadExact(const ZipIo *io, uint64_t offset, void *buf, uint32_t n)
{
    return io->read(io->ctx, offset, buf, n) == (int32_t)n;
}

// Reads the zip64 end record that the locator just before the end record
// at endPos points to. Returns 0 unless it describes one disk and a
// directory that ends before the zip64 record itself.
static int ReadZip64Directory(const ZipIo *io, uint64_t endPos, Directory *dir)
{
    unsigned char locator[kLocator64Size];
    if (endPos < kLocator64Size ||
        !ReadExact(io, endPos - kLocator64Size, locator, kLocator64Size) ||
        Get32(locator) != kLocator64Sig || Get32(locator + 4) != 0 || Get32(locator + 16) > 1)
        return 0;
    uint64_t recordPos = Get64(locator + 8);
    unsigned char record[kEnd64Size];
    if (recordPos > endPos - kLocator64Size ||
        endPos - kLocator64Size - recordPos < kEnd64Size ||
        !ReadExact(io, recordPos, record, kEnd64Size) || Get32(record) != kEnd64Sig)
        return 0;
    uint64_t onDisk = Get64(record + 24);
    uint64_t count = Get64(record + 32);
    uint64_t cdSize = Get64(record + 40);
    uint64_t cdOffset = Get64(record + 48);
    if (Get32(record + 16) != 0 || Get32(record + 20) != 0 || onDisk != count ||
        count > 0xFFFFFFFFu || cdOffset > recordPos || cdSize > recordPos - cdOffset)
        return 0;
    dir->offset = cdOffset;
    dir->end = cdOffset + cdSize;
    dir->count = (uint32_t)count;
    return 1;
}

// Finds the end record in the archive's last 64 KiB + 22 bytes, searching
// back from the end so that a comment cannot hide the real one. Returns 0
// when there is none or it describes no directory inside the file. An end
// record whose fields are saturated defers to the zip64 end record, which
// some tools write even for small archives.
static int FindDirectory(const ZipIo *io, uint64_t size, ZipWork *work, Directory *dir)
{
    if (size < kEndSize)
        return 0;
    uint64_t span64 = size < (uint64_t)(kEndSize + kMaxComment) ? size : kEndSize + kMaxComment;
    uint32_t span = (uint32_t)span64;
    uint64_t base = size - span;
    unsigned char *tail = work->area;
    if (!ReadExact(io, base, tail, span))
        return 0;
    for (uint32_t i = span - kEndSize + 1; i-- > 0;) {
        const unsigned char *e = tail + i;
        if (Get32(e) != kEndSig)
            continue;
        uint32_t comment = Get16(e + 20);
        if ((uint64_t)i + kEndSize + comment > span)
            continue;
        uint32_t disk = Get16(e + 4), cdDisk = Get16(e + 6);
        uint32_t onDisk = Get16(e + 8), count = Get16(e + 10);
        uint32_t cdSize = Get32(e + 12);
        uint32_t cdOffset = Get32(e + 16);
        uint64_t endPos = base + i;
        if (disk == 0xFFFF || cdDisk == 0xFFFF || onDisk == 0xFFFF || count == 0xFFFF ||
            cdSize == 0xFFFFFFFFu || cdOffset == 0xFFFFFFFFu)
            return ReadZip64Directory(io, endPos, dir);
        // One disk only.
        if (disk != 0 || cdDisk != 0 || onDisk != count)
            return 0;
        if ((uint64_t)cdOffset + cdSize > endPos)
            return 0;
        dir->offset = cdOffset;
        dir->end = (uint64_t)cdOffset + cdSize;
        dir->count = count;
        return 1;
    }
    return 0;
}

// Replaces the central entry's saturated sizes and offset by the values of
// its zip64 extra field (extra, n bytes), which holds, in this order, only
// those that are saturated. Values that do not fit 32 bits stay saturated,
// and the member is then passed over as unsupported. Returns 0 when the
// field is cut short.
static int ApplyZip64Extra(const unsigned char *extra, uint32_t n, Member *m)
{
    uint32_t at = 0;
    while (at + 4 <= n) {
        uint32_t id = Get16(extra + at), len = Get16(extra + at + 2);
        at += 4;
        if (len > n - at)
            return 0;
        if (id == kExtraZip64) {
            const unsigned char *f = extra + at;
            uint32_t left = len;
            uint32_t *fields[] = {&m->size, &m->packedSize};
            for (uint32_t *field : fields) {
                if (*field != 0xFFFFFFFFu)
                    continue;
                if (left < 8)
                    return 0;
                uint64_t v = Get64(f);
                if (v < 0xFFFFFFFFu)
                    *field = (uint32_t)v;
                f += 8;
                left -= 8;
            }
            if (m->localOffset == 0xFFFFFFFFu) {
                if (left < 8)
                    return 0;
                m->localOffset = Get64(f);
            }
            return 1;
        }
        at += len;
    }
    return 1;
}

static int IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

static char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

// Windows opens a device, not a file, for these names in any folder, with
// any extension and blanks before it: "nul.txt" or "COM1 .log".
static int IsDeviceName(const char *component, size_t n)
{
    size_t base = 0;
    while (base < n && component[base] != '.')
        ++base;
    while (base > 0 && component[base - 1] == ' ')
        --base;
    if (base != 3 && base != 4)
        return 0;
    char up[4];
    for (size_t i = 0; i < 3; ++i)
        up[i] = Upper(component[i]);
    if (base == 3) {
        static const char kNames[][3] = {{'C', 'O', 'N'}, {'N', 'U', 'L'}, {'A', 'U', 'X'},
                                         {'P', 'R', 'N'}};
        for (const auto &device : kNames) {
            if (memcmp(up, device, 3) == 0)
                return 1;
        }
        return 0;
    }
    return (memcmp(up, "COM", 3) == 0 || memcmp(up, "LPT", 3) == 0) && component[3] >= '1' &&
           component[3] <= '9';
}

int ZipSafeName(const char *name, size_t len, char *out, size_t cap)
{
    if (len == 0 || cap == 0 || IsSeparator(name[0]))
        return kZipNameUnsafe;
    size_t o = 0;
    size_t i = 0;
    int endsInSeparator = 0;
    while (i < len) {
        size_t start = i;
        int onlyDots = 1;
        // Character by character in the system's code page, as Windows
        // reads the name: the trail byte of a character of two bytes ("\"
        // in 表, "|" in ポ) is no separator and no forbidden character.
        endsInSeparator = 0;
        for (; i < len; i += CharSizeN(name + i, len - i)) {
            // A lead byte without its trail byte leaves it to the system
            // whether the next byte ("/", "..") is a character of its own.
            if (IsBrokenChar(name + i, len - i))
                return kZipNameUnsafe;
            if (CharSizeN(name + i, len - i) == 2) {
                onlyDots = 0;
                continue;
            }
            unsigned char c = (unsigned char)name[i];
            if (IsSeparator((char)c))
                break;
            // ':' is a drive letter or a stream name; the rest cannot be in
            // a Windows file name and make the file land somewhere unexpected.
            if (c < 0x20 || c == 0x7F || strchr(":*?\"<>|", c) != NULL)
                return kZipNameUnsafe;
            if (c != '.' && c != ' ')
                onlyDots = 0;
        }
        size_t n = i - start;
        if (i < len) {
            ++i;  // the separator
            endsInSeparator = 1;
        }
        if (n == 0)
            continue;
        if (onlyDots) {
            if (n == 1 && name[start] == '.')
                continue;
            return kZipNameUnsafe;  // "..", "...", ". ." all climb on Windows
        }
        if (IsDeviceName(name + start, n))
            return kZipNameUnsafe;
        if (o + (o > 0) + n + 1 > cap)
            return kZipNameUnsafe;
        if (o > 0)
            out[o++] = '/';
        memcpy(out + o, name + start, n);
        o += n;
    }
    if (o == 0)
        return kZipNameUnsafe;
    out[o] = '\0';
    return endsInSeparator ? kZipNameDir : kZipNameFile;
}

// Makes every directory on the way to path; with whole set, path itself too.
static void MakeParents(const ZipIo *io, char *path, int whole)
{
    for (char *p = path; *p != '\0'; ++p) {
        if (*p != '/')
            continue;
        *p = '\0';
        io->makeDir(io->ctx, path);
        *p = '/';
    }
    if (whole)
        io->makeDir(io->ctx, path);
}

enum { kMemberOk, kMemberCorrupt, kMemberWriteFailed };

// Copies a stored member's bytes to file, checking its CRC.
static int CopyStored(const ZipIo *io, const Member *m, uint64_t data, void *file,
                      ZipWork *work, ZipStats *stats)
{
    if (m->packedSize != m->size)
        return kMemberCorrupt;
    unsigned char *buf = work->area;
    uint32_t crc = (uint32_t)crc32(0L, Z_NULL, 0);
    uint32_t left = m->size;
    while (left > 0) {
        uint32_t n = left < (uint32_t)kZipBufferSize ? left : (uint32_t)kZipBufferSize;
        if (!ReadExact(io, data, buf, n))
            return kMemberCorrupt;
        crc = (uint32_t)crc32(crc, buf, n);
        if (!io->write(io->ctx, file, buf, n))
            return kMemberWriteFailed;
        stats->bytesWritten += n;
        data += n;
        left -= n;
    }
    return crc == m->crc ? kMemberOk : kMemberCorrupt;
}

// Inflates a deflated member into file, stopping as soon as it produces
// more than its recorded size or its input runs out.
static int Inflate(const ZipIo *io, const Member *m, uint64_t data, void *file,
                   ZipWork *work, z_stream *zs, ZipStats *stats)
{
    unsigned char *in = work->area;
    unsigned char *out = work->area + kZipBufferSize;
    if (inflateReset(zs) != Z_OK)
        return kMemberCorrupt;
    uint32_t crc = (uint32_t)crc32(0L, Z_NULL, 0);
    uint32_t inLeft = m->packedSize;
    uint64_t produced = 0;
    zs->avail_in = 0;
    for (;;) {
        if (zs->avail_in == 0 && inLeft > 0) {
            uint32_t n = inLeft < (uint32_t)kZipBufferSize ? inLeft : (uint32_t)kZipBufferSize;
            if (!ReadExact(io, data, in, n))
                return kMemberCorrupt;
            data += n;
            inLeft -= n;
            zs->next_in = in;
            zs->avail_in = n;
        }
        zs->next_out = out;
        zs->avail_out = kZipBufferSize;
        int rc = inflate(zs, Z_NO_FLUSH);
        uint32_t got = kZipBufferSize - zs->avail_out;
        if (got > 0) {
            produced += got;
            if (produced > m->size)
                return kMemberCorrupt;
            crc = (uint32_t)crc32(crc, out, got);
            if (!io->write(io->ctx, file, out, got))
                return kMemberWriteFailed;
            stats->bytesWritten += got;
        }
        if (rc == Z_STREAM_END)
            break;
        if (rc == Z_BUF_ERROR && zs->avail_in == 0 && inLeft == 0)
            return kMemberCorrupt;  // data ends before the stream does
        if (rc != Z_OK && rc != Z_BUF_ERROR)
            return kMemberCorrupt;
    }
    return produced == m->size && crc == m->crc ? kMemberOk : kMemberCorrupt;
}

// Writes one file member. Returns a kMember code; a corrupt member's file
// is already removed.
static int ExpandFile(const ZipIo *io, uint64_t archiveSize, const Directory *dir,
                      const Member *m, char *path, ZipWork *work, z_stream *zs,
                      ZipStats *stats)
{
    // The data must lie between its local header and the central directory.
    unsigned char *local = work->area;
    if (m->localOffset + kLocalSize > dir->offset ||
        !ReadExact(io, m->localOffset, local, kLocalSize) || Get32(local) != kLocalSig) {
        ++stats->corrupt;
        return kMemberCorrupt;
    }
    uint64_t data = m->localOffset + kLocalSize + Get16(local + 26) + Get16(local + 28);
    if (data + m->packedSize > dir->offset || data + m->packedSize > archiveSize) {
        ++stats->corrupt;
        return kMemberCorrupt;
    }

    MakeParents(io, path, 0);
    void *file = io->create(io->ctx, path);
    if (file == NULL) {
        ++stats->notCreated;
        return kMemberOk;
    }
    int rc = m->method == kMethodStored ? CopyStored(io, m, data, file, work, stats)
                                        : Inflate(io, m, data, file, work, zs, stats);
    if (!io->close(io->ctx, file) && rc == kMemberOk)
        rc = kMemberWriteFailed;
    if (rc != kMemberOk) {
        // A partial or wrong file must not look like a good one.
        io->remove(io->ctx, path);
        if (rc == kMemberCorrupt)
            ++stats->corrupt;
        return rc;
    }
    ++stats->files;
    return kMemberOk;
}

int ZipExpandAll(const ZipIo *io, uint64_t archiveSize, ZipWork *work, ZipStats *statsOut)
{
    ZipStats localStats;
    ZipStats *stats = statsOut != NULL ? statsOut : &localStats;
    memset(stats, 0, sizeof *stats);

    Directory dir;
    if (!FindDirectory(io, archiveSize, work, &dir))
        return kZipNotArchive;
    stats->members = dir.count;

    z_stream zs;
    memset(&zs, 0, sizeof zs);
    if (inflateInit2(&zs, -MAX_WBITS) != Z_OK)
        return kZipNoMemory;

    int result = kZipDone;
    uint64_t at = dir.offset;
    unsigned char header[kCentralSize];
    char raw[kZipPathMax];
    char path[kZipPathMax];
    for (uint32_t index = 0; index < dir.count; ++index) {
        if (at + kCentralSize > dir.end || !ReadExact(io, at, header, kCentralSize) ||
            Get32(header) != kCentralSig) {
            result = kZipNotArchive;
            break;
        }
        uint32_t nameLen = Get16(header + 28);
        uint64_t next = at + kCentralSize + nameLen + Get16(header + 30) + Get16(header + 32);
        if (next > dir.end) {
            result = kZipNotArchive;
            break;
        }
        if (!io->progress(io->ctx, index, dir.count, (uint32_t)stats->bytesWritten)) {
            result = kZipStopped;
            break;
        }

        Member m;
        m.flags = Get16(header + 8);
        m.method = Get16(header + 10);
        m.crc = Get32(header + 16);
        m.packedSize = Get32(header + 20);
        m.size = Get32(header + 24);
        m.localOffset = Get32(header + 42);

        int kind = kZipNameUnsafe;
        if (nameLen < sizeof raw && ReadExact(io, at + kCentralSize, raw, nameLen))
            kind = ZipSafeName(raw, nameLen, path, sizeof path);
        uint32_t extraLen = Get16(header + 30);
        int extraOk = 1;
        if (m.size == 0xFFFFFFFFu || m.packedSize == 0xFFFFFFFFu || m.localOffset == 0xFFFFFFFFu) {
            // The extra field is at most 65535 bytes: it fits the work area.
            unsigned char *extra = work->area;
            extraOk = ReadExact(io, at + kCentralSize + nameLen, extra, extraLen) &&
                      ApplyZip64Extra(extra, extraLen, &m);
        }
        at = next;

        if (kind == kZipNameUnsafe) {
            ++stats->unsafe;
        } else if (kind == kZipNameDir) {
            MakeParents(io, path, 1);
            ++stats->dirs;
        } else if (!extraOk) {
            ++stats->corrupt;
        } else if ((m.flags & kFlagEncrypted) != 0 ||
                   (m.method != kMethodStored && m.method != kMethodDeflated) ||
                   m.packedSize == 0xFFFFFFFFu || m.size == 0xFFFFFFFFu) {
            ++stats->unsupported;
        } else if (ExpandFile(io, archiveSize, &dir, &m, path, work, &zs, stats) ==
                   kMemberWriteFailed) {
            result = kZipWriteFailed;
            break;
        }
    }
    inflateEnd(&zs);
    return result;
}

int ZipOutcome(int result, const ZipStats *stats)
{
    if (result != kZipDone)
        return result;
    return stats->notCreated == 0 && stats->corrupt == 0 && stats->unsupported == 0 &&
                   stats->unsafe == 0
               ? kZipDone
               : kZipIncomplete;
}
