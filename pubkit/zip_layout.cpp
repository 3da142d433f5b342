#include "zip_layout.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "book_codepage.h"
#include "dunzip/zip_core.h"

namespace {

enum {
    kEndSig = 0x06054b50,
    kEnd64Sig = 0x06064b50,
    kLocator64Sig = 0x07064b50,
    kCentralSig = 0x02014b50,
    kLocalSig = 0x04034b50,
    kEndSize = 22,
    kEnd64Size = 56,
    kLocator64Size = 20,
    kCentralSize = 46,
    kLocalSize = 30,
    kMaxComment = 65535,
};

// No deflate stream yields more than 1032 bytes a byte: a 258-byte match
// in two one-bit codes is the most it can say.
const uint64_t kDeflateMaxRatio = 1032;

char gReason[900];

uint32_t Get16(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8;
}

uint32_t Get32(const unsigned char *p)
{
    return Get16(p) | Get16(p + 2) << 16;
}

uint64_t Get64(const unsigned char *p)
{
    return (uint64_t)Get32(p) | (uint64_t)Get32(p + 4) << 32;
}

struct Reader {
    ZipLayoutRead read;
    void *ctx;
    uint64_t size;
};

int ReadExact(const Reader &r, uint64_t at, void *buf, uint32_t n)
{
    return at <= r.size && n <= r.size - at && r.read(r.ctx, at, buf, n) == (int32_t)n;
}

// A stored name as it can be shown: printable ASCII kept, other bytes as \xNN.
std::string Shown(const char *name, size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = (unsigned char)name[i];
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            s += (char)c;
        } else {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02x", c);
            s += hex;
        }
    }
    return s;
}

struct Directory {
    uint64_t offset, end, count;
};

// The end record as the unzip core finds it (searched back from the end,
// deferring to the zip64 record when its fields are saturated).
const char *FindDirectory(const Reader &r, Directory *dir)
{
    static const char kNone[] = "PACK.BOX is not a zip archive: no readable central directory";
    if (r.size < kEndSize)
        return kNone;
    uint32_t span = (uint32_t)std::min<uint64_t>(r.size, kEndSize + kMaxComment);
    uint64_t base = r.size - span;
    std::vector<unsigned char> tail(span);
    if (!ReadExact(r, base, tail.data(), span))
        return kNone;
    for (uint32_t i = span - kEndSize + 1; i-- > 0;) {
        const unsigned char *e = tail.data() + i;
        if (Get32(e) != kEndSig || (uint64_t)i + kEndSize + Get16(e + 20) > span)
            continue;
        uint32_t disk = Get16(e + 4), cdDisk = Get16(e + 6), onDisk = Get16(e + 8),
                 count = Get16(e + 10), cdSize = Get32(e + 12), cdOffset = Get32(e + 16);
        uint64_t endPos = base + i;
        if (disk == 0xFFFF || cdDisk == 0xFFFF || onDisk == 0xFFFF || count == 0xFFFF ||
            cdSize == 0xFFFFFFFFu || cdOffset == 0xFFFFFFFFu) {
            unsigned char loc[kLocator64Size], rec[kEnd64Size];
            if (endPos < kLocator64Size || !ReadExact(r, endPos - kLocator64Size, loc, sizeof loc) ||
                Get32(loc) != kLocator64Sig || Get32(loc + 4) != 0 || Get32(loc + 16) > 1)
                return kNone;
            uint64_t recPos = Get64(loc + 8);
            if (recPos > endPos - kLocator64Size || endPos - kLocator64Size - recPos < kEnd64Size ||
                !ReadExact(r, recPos, rec, sizeof rec) || Get32(rec) != kEnd64Sig)
                return kNone;
            uint64_t n64 = Get64(rec + 32), size64 = Get64(rec + 40), off64 = Get64(rec + 48);
            if (Get32(rec + 16) != 0 || Get32(rec + 20) != 0 || Get64(rec + 24) != n64 ||
                n64 > 0xFFFFFFFFu || off64 > recPos || size64 > recPos - off64)
                return kNone;
            *dir = {off64, off64 + size64, n64};
            return NULL;
        }
        if (disk != 0 || cdDisk != 0 || onDisk != count || (uint64_t)cdOffset + cdSize > endPos)
            return kNone;
        *dir = {cdOffset, (uint64_t)cdOffset + cdSize, count};
        return NULL;
    }
    return kNone;
}

// The zip64 extra field's values for the saturated ones, in its order.
// Returns 0 when the field is cut short.
int ApplyZip64(const unsigned char *extra, uint32_t n, ZipEntry *e)
{
    uint32_t at = 0;
    while (at + 4 <= n) {
        uint32_t id = Get16(extra + at), len = Get16(extra + at + 2);
        at += 4;
        if (len > n - at)
            return 0;
        if (id == 1) {
            const unsigned char *f = extra + at;
            uint32_t left = len;
            for (uint64_t *field : {&e->size, &e->packed}) {
                if (*field != 0xFFFFFFFFu)
                    continue;
                if (left < 8)
                    return 0;
                if (Get64(f) < 0xFFFFFFFFu)
                    *field = Get64(f);
                f += 8;
                left -= 8;
            }
            if (e->localOffset == 0xFFFFFFFFu) {
                if (left < 8)
                    return 0;
                e->localOffset = Get64(f);
            }
            return 1;
        }
        at += len;
    }
    return 1;
}

// Where the entry's data lies, from its local header, and why the unzip
// core will not write it (as it decides, in its order).
void Locate(const Reader &r, const Directory &dir, ZipEntry *e)
{
    unsigned char local[kLocalSize];
    if (e->localOffset > dir.offset || dir.offset - e->localOffset < kLocalSize ||
        !ReadExact(r, e->localOffset, local, kLocalSize) || Get32(local) != kLocalSig) {
        e->fault = "damaged: no local header where the central directory points";
        return;
    }
    uint64_t data = e->localOffset + kLocalSize + Get16(local + 26) + Get16(local + 28);
    if (data + e->packed > dir.offset || data + e->packed > r.size) {
        e->fault = "damaged: its data runs past the members into the central directory";
        return;
    }
    e->dataEnd = data + e->packed;
    if (e->method == 0 && e->packed != e->size)
        e->fault = "damaged: stored, but its two sizes differ";
}

}  // namespace

const char *ReadZipLayout(ZipLayoutRead read, void *ctx, uint64_t size, ZipLayout *layout)
{
    layout->entries.clear();
    layout->directoryOffset = 0;
    Reader r = {read, ctx, size};
    Directory dir;
    const char *why = FindDirectory(r, &dir);
    if (why != NULL)
        return why;
    layout->directoryOffset = dir.offset;
    // Every entry takes 46 bytes at least: a count the directory cannot hold
    // is refused before a single entry is believed.
    if (dir.count > (dir.end - dir.offset) / kCentralSize) {
        snprintf(gReason, sizeof gReason, "PACK.BOX's central directory claims %llu entries in "
                 "%llu bytes, which hold %llu at most: refused (unzip -t refuses it too)",
                 (unsigned long long)dir.count, (unsigned long long)(dir.end - dir.offset),
                 (unsigned long long)((dir.end - dir.offset) / kCentralSize));
        return gReason;
    }
    layout->entries.reserve((size_t)dir.count);
    uint64_t at = dir.offset;
    for (uint64_t index = 0; index < dir.count; ++index) {
        unsigned char h[kCentralSize];
        int whole = at + kCentralSize <= dir.end && ReadExact(r, at, h, kCentralSize) &&
                    Get32(h) == kCentralSig;
        uint32_t nameLen = whole ? Get16(h + 28) : 0, extraLen = whole ? Get16(h + 30) : 0;
        if (!whole || at + kCentralSize + nameLen + extraLen + Get16(h + 32) > dir.end) {
            snprintf(gReason, sizeof gReason, "PACK.BOX's central directory claims %llu entries "
                     "but holds %llu: refused (unzip -t refuses it too)",
                     (unsigned long long)dir.count, (unsigned long long)index);
            return gReason;
        }
        uint64_t next = at + kCentralSize + nameLen + extraLen + Get16(h + 32);
        ZipEntry e;
        e.method = Get16(h + 10);
        e.crc = Get32(h + 16);
        e.packed = Get32(h + 20);
        e.size = Get32(h + 24);
        e.localOffset = Get32(h + 42);
        e.dataEnd = 0;
        uint32_t flags = Get16(h + 8);
        std::vector<char> raw(nameLen + 1);
        char path[kZipPathMax];
        e.kind = kZipNameUnsafe;
        int named = ReadExact(r, at + kCentralSize, raw.data(), nameLen);
        if (named && nameLen < kZipPathMax)
            e.kind = ZipSafeName(raw.data(), nameLen, path, sizeof path);
        e.ascii = named;
        for (uint32_t i = 0; named && i < nameLen; ++i)
            e.ascii &= (unsigned char)raw[i] < 0x80;
        e.name = e.kind != kZipNameUnsafe ? std::string(path)
                 : named                  ? Shown(raw.data(), nameLen)
                                          : std::string("(unreadable name)");
        int extraOk = 1;
        if (e.size == 0xFFFFFFFFu || e.packed == 0xFFFFFFFFu || e.localOffset == 0xFFFFFFFFu) {
            std::vector<unsigned char> extra(extraLen + 1);
            extraOk = ReadExact(r, at + kCentralSize + nameLen, extra.data(), extraLen) &&
                      ApplyZip64(extra.data(), extraLen, &e);
        }
        at = next;
        if (e.kind == kZipNameUnsafe) {
            e.fault = nameLen >= kZipPathMax
                          ? "its name is longer than the unzip library takes: never written"
                          : "its name leads outside the installation folder or is no Windows "
                            "file name: never written";
        } else if (e.kind == kZipNameDir) {
            // A folder: made, nothing read.
        } else if (!extraOk) {
            e.fault = "damaged: its zip64 field is cut short";
        } else if ((flags & 1) != 0) {
            e.fault = "encrypted: the unzip library does not decrypt, so it is never written";
        } else if (e.method != 0 && e.method != 8) {
            char text[120];
            snprintf(text, sizeof text, "compressed by method %u: the unzip library expands "
                     "only stored and deflated members, so it is never written", e.method);
            e.fault = text;
        } else if (e.packed >= 0xFFFFFFFFu || e.size >= 0xFFFFFFFFu) {
            e.fault = "4 GiB or more: the unzip library never writes it";
        } else if (e.method == 8 && e.size > e.packed * kDeflateMaxRatio) {
            snprintf(gReason, sizeof gReason, "PACK.BOX member %s claims %llu bytes from %llu "
                     "deflated ones, more than deflate can hold: refused",
                     e.name.c_str(), (unsigned long long)e.size, (unsigned long long)e.packed);
            return gReason;
        } else {
            Locate(r, dir, &e);
        }
        layout->entries.push_back(e);
    }

    // What the unzip core reads, in the order it lies in the file: no two
    // members may share bytes, or one small archive expands without end.
    std::vector<const ZipEntry *> placed;
    for (const ZipEntry &e : layout->entries) {
        if (e.dataEnd != 0)
            placed.push_back(&e);
    }
    std::stable_sort(placed.begin(), placed.end(), [](const ZipEntry *a, const ZipEntry *b) {
        return a->localOffset != b->localOffset ? a->localOffset < b->localOffset
                                                : a->dataEnd < b->dataEnd;
    });
    for (size_t i = 1; i < placed.size(); ++i) {
        if (placed[i]->localOffset < placed[i - 1]->dataEnd) {
            snprintf(gReason, sizeof gReason, "PACK.BOX members %s and %s overlap (at %llu): "
                     "refused as unzip -t refuses it, since the unzip library would expand "
                     "the same bytes again for every such entry",
                     placed[i - 1]->name.c_str(), placed[i]->name.c_str(),
                     (unsigned long long)placed[i]->localOffset);
            return gReason;
        }
    }
    return NULL;
}

std::vector<NameFault> WindowsNameFaults(const std::vector<std::string> &paths,
                                         const char *installDir)
{
    // The unzip library builds "<folder>\<path>" in MAX_PATH (260) bytes.
    const size_t kMaxPath = 260;
    size_t dirLen = strlen(installDir);
    std::vector<NameFault> faults;
    std::vector<std::pair<std::string, size_t>> files;  // folded, index
    std::vector<std::pair<std::string, size_t>> folders;
    for (size_t i = 0; i < paths.size(); ++i) {
        const std::string &p = paths[i];
        if (dirLen + 1 + p.size() + 1 > kMaxPath) {
            char text[200];
            snprintf(text, sizeof text, "in %s its path is %zu characters, more than the %zu "
                     "Windows takes: the unzip library cannot write it",
                     installDir, dirLen + 1 + p.size(), kMaxPath - 1);
            faults.push_back({i, text, 1});
            continue;
        }
        // Windows matches names without regard to case, through Unicode:
        // in code page 1252 that takes in the accented letters, in 932 the
        // full-width and Greek ones, never a trail byte that looks like a
        // letter.
        std::string f = WindowsNameKey(p);
        files.push_back({f, i});
        for (size_t slash = f.find('/'); slash != std::string::npos; slash = f.find('/', slash + 1))
            folders.push_back({f.substr(0, slash), i});
    }
    std::sort(files.begin(), files.end());
    std::sort(folders.begin(), folders.end());
    for (size_t k = 1; k < files.size(); ++k) {
        if (files[k].first == files[k - 1].first) {
            size_t first = std::min(files[k].second, files[k - 1].second),
                   later = std::max(files[k].second, files[k - 1].second);
            faults.push_back({later, "Windows takes it for " + paths[first] +
                                         " (the same name but for case): the one written "
                                         "later replaces the other", 0});
        }
    }
    for (const auto &f : files) {
        auto hit = std::lower_bound(folders.begin(), folders.end(),
                                    std::make_pair(f.first, (size_t)0));
        if (hit != folders.end() && hit->first == f.first)
            faults.push_back({f.second, "a folder of " + paths[hit->second] +
                                            " has its name (in Windows' case rules): one of "
                                            "the two cannot be written", 1});
    }
    std::sort(faults.begin(), faults.end(),
              [](const NameFault &a, const NameFault &b) { return a.index < b.index; });
    return faults;
}
