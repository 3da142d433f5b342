#include "programs.h"

#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <strings.h>

#include <string>
#include <vector>

#include "common/pe_image.h"
#include "output.h"

namespace {

char gReason[400];

const char *Fail(const char *fmt, const char *detail = "")
{
    snprintf(gReason, sizeof gReason, fmt, detail);
    return gReason;
}

uint32_t Le16(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8;
}

uint32_t Le32(const unsigned char *p)
{
    return Le16(p) | Le16(p + 2) << 16;
}

// The region of a source as a file of its own.
struct Region {
    const ExamineSource *src;
    int64_t from, to;
};

int ReadRegion(const Region &r, int64_t at, void *buf, uint32_t n)
{
    return at >= 0 && at <= r.to - r.from && (int64_t)n <= r.to - r.from - at &&
           r.src->read(r.src->ctx, (uint64_t)(r.from + at), buf, n) == (int32_t)n;
}

int32_t ReadForLayout(void *ctx, uint64_t offset, void *buf, uint32_t n)
{
    const Region *r = (const Region *)ctx;
    int64_t size = r->to - r->from;
    if (offset >= (uint64_t)size)
        return 0;
    if (n > (uint64_t)size - offset)
        n = (uint32_t)((uint64_t)size - offset);
    return r->src->read(r->src->ctx, (uint64_t)r->from + offset, buf, n);
}

struct Headers {
    unsigned char head[kPeHeadBytes];
    uint32_t headLen;
    PeFacts pe;
    uint32_t characteristics;
    uint32_t exportRva;
    uint32_t sectionTable, sections;
};

const char *ReadHeaders(const Region &r, Headers *h)
{
    int64_t size = r.to - r.from;
    h->headLen = size < (int64_t)sizeof h->head ? (uint32_t)size : (uint32_t)sizeof h->head;
    if (!ReadRegion(r, 0, h->head, h->headLen))
        return "cannot be read";
    // A signature lies behind the whole file's data, not behind the region.
    const char *why = ReadPeFacts(h->head, h->headLen, r.src->size - r.from, &h->pe);
    if (why != NULL)
        return why;
    uint32_t pe = Le32(h->head + 0x3C);
    const unsigned char *fh = h->head + pe + 4;
    h->characteristics = Le16(fh + 18);
    h->sections = Le16(fh + 2);
    h->sectionTable = pe + 24 + Le16(fh + 16);
    size_t dirs = pe + 24 + (h->pe.pe32Plus ? 112 : 96);
    h->exportRva = dirs + 8 <= h->headLen && Le32(h->head + dirs - 4) > 0 ? Le32(h->head + dirs) : 0;
    return NULL;
}

// The file offset of an address inside one of the image's sections; -1
// when none holds it.
int64_t OffsetOf(const Headers &h, uint32_t rva)
{
    for (uint32_t i = 0; i < h.sections; ++i) {
        const unsigned char *s = h.head + h.sectionTable + 40 * i;
        uint32_t va = Le32(s + 12), rawSize = Le32(s + 16), raw = Le32(s + 20);
        if (rva >= va && rva - va < rawSize)
            return (int64_t)raw + (rva - va);
    }
    return -1;
}

// Whether the library's export table names the function.
int Exports(const Region &r, const Headers &h, const char *function)
{
    unsigned char dir[40];
    int64_t at = h.exportRva != 0 ? OffsetOf(h, h.exportRva) : -1;
    if (at < 0 || !ReadRegion(r, at, dir, sizeof dir))
        return 0;
    uint32_t names = Le32(dir + 24);
    int64_t table = OffsetOf(h, Le32(dir + 32));
    // A library of ours exports a handful; a table of thousands is no
    // library a package carries.
    for (uint32_t i = 0; i < names && i < 4096 && table >= 0; ++i) {
        unsigned char rva[4];
        char name[64];
        if (!ReadRegion(r, table + 4 * i, rva, 4))
            return 0;
        int64_t text = OffsetOf(h, Le32(rva));
        size_t want = strlen(function) + 1;
        if (text >= 0 && ReadRegion(r, text, name, (uint32_t)want) &&
            memcmp(name, function, want) == 0)
            return 1;
    }
    return 0;
}

// The OriginalFilename of the version information, as UTF-16 text in the
// resources: "" when the file carries none. Looked for in the bytes, since
// a version resource is the only place that writes the key.
std::string OriginalFilename(const Region &r)
{
    static const char kKey[] = "OriginalFilename";
    std::string key;
    for (const char *p = kKey; *p; ++p)
        key += *p, key += '\0';
    key += std::string(2, '\0');
    int64_t size = r.to - r.from;
    std::vector<char> bytes;
    const int64_t kMax = 64 << 20;
    if (size > kMax)
        return "";
    bytes.resize((size_t)size);
    if (size == 0 || !ReadRegion(r, 0, bytes.data(), (uint32_t)size))
        return "";
    std::string all(bytes.data(), bytes.size());
    size_t at = all.find(key);
    if (at == std::string::npos)
        return "";
    at += key.size();
    while (at + 1 < all.size() && all[at] == 0 && all[at + 1] == 0)
        at += 2;
    std::string value;
    for (; at + 1 < all.size() && (all[at] != 0 || all[at + 1] != 0) && value.size() < 64; at += 2)
        value += all[at + 1] == 0 ? all[at] : '?';
    return value;
}

}  // namespace

const char *ProgramFault(const ExamineSource *src, int64_t from, int64_t to, ProgramRole role)
{
    Region r = {src, from, to};
    Headers h;
    const char *why = ReadHeaders(r, &h);
    if (why != NULL)
        return Fail("%s", why);
    if (h.pe.pe32Plus || h.pe.machine != 0x14C)
        return Fail("a %s program: setup and its libraries must be the 32-bit (i386) ones "
                    "(build/win32/bin)",
                    h.pe.machine == 0x8664 ? "64-bit (x86_64)" : "non-i386");
    int library = (h.characteristics & 0x2000) != 0;
    std::string original = OriginalFilename(r);
    const char *expected = role == kRoleSetup ? "setup.exe" : role == kRoleMeter ? "METER.DLL"
                                                                              : "DUNZIP32.DLL";
    if (!original.empty() && strcasecmp(original.c_str(), expected) != 0) {
        snprintf(gReason, sizeof gReason, "it is %s (its version information says so), not %s",
                 original.c_str(), expected);
        return gReason;
    }
    if (role == kRoleSetup) {
        if (library)
            return Fail("a library, not the setup program");
        if (h.pe.subsystem != 2)
            return Fail("not a Windows GUI program: setup is one");
        ExamineSource whole = {&r, to - from, ReadForLayout};
        FileLayout l;
        if (ReadFileLayout(&whole, &l) == NULL)
            return Fail(l.kind == kFilePackage
                            ? "a packaged setup already, not the bare setup program "
                              "('pubkit unpack' gives the bare one back)"
                            : "an embed installer, not the bare setup program");
        return NULL;
    }
    if (!library)
        return Fail("a program, not a library");
    int hasDunzip = Exports(r, h, "dunzip");
    if (role == kRoleDunzip && !hasDunzip)
        return Fail("exports no \"dunzip\", which setup calls to expand PACK.BOX");
    if (role == kRoleMeter && hasDunzip)
        return Fail("exports \"dunzip\": it is DUNZIP32.DLL (--meter and --dunzip swapped?)");
    return NULL;
}

const char *ProgramFileFault(const char *path, ProgramRole role)
{
    ExamineSource src;
    if (OpenExamineFile(path, &src) != NULL) {
        snprintf(gReason, sizeof gReason, "cannot read: %s", strerror(errno));
        return gReason;
    }
    const char *why = ProgramFault(&src, 0, src.size, role);
    CloseExamineFile(&src);
    return why;
}
