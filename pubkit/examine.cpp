#include "examine.h"

#include <ctype.h>
#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "common/pe_image.h"
#include "dunzip/zip_core.h"
#include "embed/trailer.h"
#include "setup/install/script_values.h"
#include "setup/payload/trailer.h"

namespace {

char gReason[600];

const char *Fail(const char *fmt, const char *detail = "", long long n = 0)
{
    snprintf(gReason, sizeof gReason, fmt, detail, n);
    return gReason;
}

int ReadAt(const ExamineSource *src, int64_t at, void *buf, uint32_t n)
{
    return at >= 0 && at + n <= src->size && src->read(src->ctx, (uint64_t)at, buf, n) == (int32_t)n;
}

const char *MachineName(const PeFacts &pe)
{
    switch (pe.machine) {
    case 0x14C: return "i386";
    case 0x8664: return "x86_64";
    default: return "unknown machine";
    }
}

void Region(FILE *out, const char *name, int64_t from, int64_t to)
{
    fprintf(out, "  %-14s %10lld .. %-10lld %10lld bytes\n", name, (long long)from, (long long)to,
            (long long)(to - from));
}

// ---- PACK.BOX through the unzip core, writing nothing ----

struct MemberSeen {
    std::string name;
    uint32_t crc;
    uint64_t size;
    int removed;
};

struct ZipView {
    const ExamineSource *src;
    int64_t start, end;
    std::vector<MemberSeen> members;
    std::string script;  // SETUP.INI's text, when the archive has one
    int scriptOpen;
};

const size_t kScriptMax = 1 << 20;

int32_t ZipRead(void *ctx, uint64_t offset, void *buf, uint32_t n)
{
    ZipView *v = (ZipView *)ctx;
    int64_t length = v->end - v->start;
    if (offset >= (uint64_t)length)
        return 0;
    if (n > (uint64_t)length - offset)
        n = (uint32_t)((uint64_t)length - offset);
    return v->src->read(v->src->ctx, (uint64_t)v->start + offset, buf, n);
}

void *ZipCreate(void *ctx, const char *path)
{
    ZipView *v = (ZipView *)ctx;
    v->members.push_back({path, (uint32_t)crc32(0, Z_NULL, 0), 0, 0});
    v->scriptOpen = strcasecmp(path, "SETUP.INI") == 0;
    if (v->scriptOpen)
        v->script.clear();
    return (void *)(uintptr_t)v->members.size();
}

int ZipWrite(void *ctx, void *, const void *buf, uint32_t n)
{
    ZipView *v = (ZipView *)ctx;
    MemberSeen &m = v->members.back();
    m.crc = (uint32_t)crc32(m.crc, (const Bytef *)buf, n);
    m.size += n;
    if (v->scriptOpen && v->script.size() < kScriptMax)
        v->script.append((const char *)buf, n < kScriptMax - v->script.size() ? n : kScriptMax - v->script.size());
    return 1;
}

int ZipClose(void *ctx, void *)
{
    ((ZipView *)ctx)->scriptOpen = 0;
    return 1;
}

void ZipRemove(void *ctx, const char *path)
{
    ZipView *v = (ZipView *)ctx;
    for (MemberSeen &m : v->members) {
        if (m.name == path)
            m.removed = 1;
    }
    if (strcasecmp(path, "SETUP.INI") == 0)
        v->script.clear();
}

void ZipMakeDir(void *, const char *) {}

int ZipProgress(void *, uint32_t, uint32_t, uint32_t)
{
    return 1;
}

const char *ExamineArchive(const ExamineSource *src, int64_t start, int64_t end, FILE *out,
                           std::string *script)
{
    ZipView view;
    view.src = src;
    view.start = start;
    view.end = end;
    view.scriptOpen = 0;
    ZipIo io = {&view, ZipRead, ZipCreate, ZipWrite, ZipClose, ZipRemove, ZipMakeDir, ZipProgress};
    ZipWork *work = (ZipWork *)malloc(sizeof(ZipWork));
    if (work == NULL)
        return Fail("out of memory");
    ZipStats stats;
    memset(&stats, 0, sizeof stats);
    int result = ZipExpandAll(&io, (uint64_t)(end - start), work, &stats);
    free(work);
    if (result == kZipNotArchive)
        return Fail("PACK.BOX is not a zip archive: no readable central directory");
    fprintf(out, "PACK.BOX: %u entries, %u files, %u folders\n", stats.members, stats.files,
            stats.dirs);
    const char *damage = NULL;
    for (const MemberSeen &m : view.members) {
        fprintf(out, "  %10llu  %08x  %s  %s\n", (unsigned long long)m.size, m.crc,
                m.removed ? "FAILS ITS CHECKS" : "ok", m.name.c_str());
        if (m.removed && damage == NULL)
            damage = Fail("PACK.BOX member %s fails its CRC or size check", m.name.c_str());
    }
    if (stats.unsafe != 0)
        fprintf(out, "  %u member(s) named outside the folder: never written\n", stats.unsafe);
    if (stats.unsupported != 0)
        fprintf(out, "  %u member(s) encrypted or compressed in an unknown way: skipped\n",
                stats.unsupported);
    if (damage == NULL && stats.corrupt != 0)
        damage = Fail("PACK.BOX has %s%lld damaged member(s)", "", stats.corrupt);
    *script = view.script;
    return damage;
}

// ---- the plan SETUP.INI describes ----

std::string Stripped(const char *quoted)
{
    size_t n = strlen(quoted);
    return n < 2 ? std::string() : std::string(quoted + 1, n - 2);
}

void DescribePlan(const std::string &script, FILE *out)
{
    if (script.empty()) {
        fprintf(out, "plan: PACK.BOX has no SETUP.INI: the installation ends after the licence\n");
        return;
    }
    fprintf(out, "plan (SETUP.INI, in the order it runs):\n");
    ScriptValues values;
    memset(&values, 0, sizeof values);
    size_t at = 0;
    while (at < script.size()) {
        size_t nl = script.find('\n', at);
        size_t end = nl == std::string::npos ? script.size() : nl;
        // Lines are read 255 characters at a time, like the installer does.
        for (size_t piece = at; piece < end || piece == at; piece += 255) {
            std::string line = script.substr(piece, std::min<size_t>(255, end - piece));
            size_t cut = line.find_first_of("\r\n");
            if (cut != std::string::npos)
                line.resize(cut);
            const char *value = NULL;
            switch (ReadScriptLine(line.c_str(), &values, &value)) {
            case kScriptCopyDir: fprintf(out, "  make folder      %s\n", value); break;
            case kScriptMakeDir: fprintf(out, "  make folder      %s\n", value); break;
            case kScriptCopyFile: fprintf(out, "  copy from CD     %s\n", value); break;
            case kScriptMoveFile: fprintf(out, "  move into folder %s\n", value); break;
            case kScriptNoOp: break;
            }
            if (end - piece <= 255)
                break;
        }
        at = end + 1;
    }
    fprintf(out, "  close a running viewer; find the viewer%s\n",
            values.installer[0] ? "" : " (no INSTALLER= to install one)");
    if (values.installer[0])
        fprintf(out, "  viewer installer %s (run when no viewer is found)\n", values.installer);
    if (values.plugin1[0])
        fprintf(out, "  plug-in          %s -> viewer's PLUG_INS\n", values.plugin1);
    if (values.plugin2[0])
        fprintf(out, "  plug-in          %s -> viewer's PLUG_INS\n", values.plugin2);
    fprintf(out, "  start            EMBED.EXE -cdrom <setup drive>\\ and wait\n");
    if (values.mainFile[0]) {
        fprintf(out, "  group            \"%s\"\n", Stripped(values.folderTitle).c_str());
        fprintf(out, "    link           \"%s\" -> %s%s (icon %s)\n",
                Stripped(values.iconTitle).c_str(),
                values.mainFile[0] == '\\' ? "<setup drive>:" : "<destination>\\",
                values.mainFile, values.iconFile);
        fprintf(out, "    link           \"Uninstall\" -> <destination>\\UNINSTAL.EXE\n");
        fprintf(out, "    link           \"Readme\"\n");
    } else {
        fprintf(out, "  no MAINFILE=: no program group\n");
    }
    if (values.wriFile[0])
        fprintf(out, "  Program Manager items for %s\n", values.wriFile);
    if (values.autoLaunch[0])
        fprintf(out, "  open the main item in the viewer at the end (AUTOLAUNCH)\n");
}

// ---- the two kinds of file ----

const char *ExamineSetup(const ExamineSource *src, const PeFacts &pe, int64_t dataEnd,
                         const unsigned char *record, FILE *out)
{
    PayloadSettings s;
    memset(&s, 0, sizeof s);
    DecodePayloadTrailer(record, &s);
    fprintf(out, "package: packaged setup, %lld bytes\n", (long long)src->size);
    int64_t trailer = dataEnd - kTrailerSize;
    if (!PayloadOffsetsValid(&s, dataEnd))
        return Fail("trailer offsets are impossible: DUNZIP32.DLL at %s%lld", "", s.dunzipOffset);
    if (s.dunzipOffset < pe.imageEnd)
        return Fail("trailer puts DUNZIP32.DLL inside the program image (at %s%lld)", "",
                    s.dunzipOffset);
    Region(out, "program image", 0, pe.imageEnd);
    Region(out, "METER.DLL", pe.imageEnd, s.dunzipOffset);
    Region(out, "DUNZIP32.DLL", s.dunzipOffset, s.packOffset);
    Region(out, "PACK.BOX", s.packOffset, trailer);
    Region(out, "trailer", trailer, dataEnd);
    if (pe.certOffset != 0)
        Region(out, "signature", pe.certOffset, pe.certOffset + pe.certSize);
    fprintf(out, "settings:\n  default folder   \"%s\"\n  publication      \"%s\"\n", s.destDir,
            s.pubName);
    fprintf(out, "  dialog colour    %d,%d,%d; install mode %d; bar brushes %d and %d\n",
            s.dialogRgb[0], s.dialogRgb[1], s.dialogRgb[2], s.installMode, s.copyBarShade,
            s.expandBarShade);
    fprintf(out, "  backdrop colour  %d,%d,%d\n", s.backdropRgb[0], s.backdropRgb[1],
            s.backdropRgb[2]);
    unsigned char mz[2];
    if (s.packOffset - s.dunzipOffset < 2 || !ReadAt(src, s.dunzipOffset, mz, 2) ||
        mz[0] != 'M' || mz[1] != 'Z')
        return Fail("the DUNZIP32.DLL region is not a Windows library");
    std::string script;
    const char *why = ExamineArchive(src, s.packOffset, trailer, out, &script);
    if (why != NULL)
        return why;
    DescribePlan(script, out);
    return NULL;
}

// The builder writes its numbers as digits followed by zero bytes, its
// texts as printable characters followed by zero bytes, and nothing
// elsewhere: any other record is not one of its trailers, however the
// program itself would read it.
int FieldIs(const unsigned char *record, int at, int width, int digits)
{
    int i = 0;
    while (i < width && record[at + i] != 0 &&
           (digits ? isdigit(record[at + i]) : record[at + i] >= 0x20 && record[at + i] != 0x7F))
        ++i;
    if (digits && i == 0)
        return 0;
    for (; i < width; ++i) {
        if (record[at + i] != 0)
            return 0;
    }
    return 1;
}

int WellFormedEmbedRecord(const unsigned char *record)
{
    return record[0] == kEmbedMarker &&
           FieldIs(record, kEmbedDocOffsetAt, kEmbedDocOffsetWidth, 1) &&
           FieldIs(record, kEmbedDocNameAt, kEmbedDocNameWidth, 0) &&
           FieldIs(record, kEmbedPlugOffsetAt, kEmbedPlugOffsetWidth, 1) &&
           FieldIs(record, kEmbedPlugNameAt, kEmbedMessageAt - kEmbedPlugNameAt, 0) &&
           FieldIs(record, kEmbedMessageAt, kEmbedSelfDeleteAt - kEmbedMessageAt, 0) &&
           FieldIs(record, kEmbedSelfDeleteAt, kEmbedTrailerSize - kEmbedSelfDeleteAt, 0);
}

const char *ExamineEmbed(const ExamineSource *src, const PeFacts &pe, const int64_t *ends,
                         int endCount, FILE *out)
{
    for (int n = 0; n < kEmbedTrailerDistances * endCount; ++n) {
        int i = n / endCount;
        int64_t at = ends[n % endCount] - kEmbedTrailerDistance[i];
        unsigned char record[kEmbedTrailerSize];
        EmbedFields f;
        if (!ReadAt(src, at, record, sizeof record) || !WellFormedEmbedRecord(record) ||
            !DecodeEmbedTrailer(record, &f))
            continue;
        if (!EmbedOffsetsValid(&f, at))
            return Fail("embed trailer offsets are impossible (document at %s%lld)", "",
                        f.docOffset);
        int64_t imageEnd = f.docOffset != 0 ? f.docOffset : f.plugOffset != 0 ? f.plugOffset : at;
        if (imageEnd < pe.imageEnd)
            return Fail("embed trailer puts its cargo inside the program image (at %s%lld)", "",
                        imageEnd);
        const char *kind = f.docOffset != 0 ? "document installer"
                           : f.plugOffset != 0 ? "plug-in installer" : "update installer";
        fprintf(out, "embed installer: %s, %lld bytes; trailer %d bytes from the end%s\n", kind,
                (long long)src->size, kEmbedTrailerDistance[i],
                pe.certOffset != 0 ? " of the signed data" : "");
        Region(out, "program image", 0, imageEnd);
        if (f.docOffset != 0)
            Region(out, "document", f.docOffset, f.plugOffset != 0 ? f.plugOffset : at);
        if (f.plugOffset != 0)
            Region(out, "plug-in", f.plugOffset, at);
        Region(out, "trailer", at, at + kEmbedTrailerSize);
        if (pe.certOffset != 0)
            Region(out, "signature", pe.certOffset, pe.certOffset + pe.certSize);
        fprintf(out, "fields:\n  D (document)     %d\n  document name    \"%s\"\n", f.docOffset,
                f.docName);
        fprintf(out, "  P (plug-in)      %d\n  plug-in name     \"%s\"\n", f.plugOffset,
                f.plugName);
        fprintf(out, "  closing message  \"%s\"\n  self-delete      \"%s\"\n", f.closingMessage,
                f.selfDelete);
        return NULL;
    }
    return Fail("no trailer: neither a packaged setup nor an embed installer (a bare program?)");
}

int32_t ReadForPe(void *ctx, int64_t offset, void *buf, uint32_t n)
{
    const ExamineSource *src = (const ExamineSource *)ctx;
    return offset < 0 ? -1 : src->read(src->ctx, (uint64_t)offset, buf, n);
}

}  // namespace

const char *ExaminePackage(const ExamineSource *src, FILE *out)
{
    unsigned char head[kPeHeadBytes];
    uint32_t headLen = src->size < (int64_t)sizeof head ? (uint32_t)src->size : (uint32_t)sizeof head;
    if (src->size < kTrailerSize)
        return Fail("%s%lld bytes: too short to carry a trailer", "", src->size);
    if (src->read(src->ctx, 0, head, headLen) != (int32_t)headLen)
        return Fail("cannot read the file's start");
    PeFacts pe;
    const char *why = ReadPeFacts(head, headLen, src->size, &pe);
    if (why != NULL)
        return why;
    fprintf(out, "program: PE32%s %s, %s subsystem\n", pe.pe32Plus ? "+" : "", MachineName(pe),
            pe.subsystem == 2 ? "GUI" : pe.subsystem == 3 ? "console" : "other");
    if (pe.certOffset != 0)
        fprintf(out, "signed: certificate table of %lld bytes at %lld\n", (long long)pe.certSize,
                (long long)pe.certOffset);
    int64_t ends[kPeMaxDataEnds];
    int endCount = PeDataEnds(ReadForPe, (void *)src, src->size, ends);
    for (int i = 0; i < endCount; ++i) {
        unsigned char record[kTrailerSize];
        if (ends[i] < kTrailerSize || !ReadAt(src, ends[i] - kTrailerSize, record, sizeof record) ||
            record[0] != kTrailerMarker)
            continue;
        // Embed trailers start with the marker too; only a package names
        // DUNZIP32.DLL in its third field.
        char field[kTrailerDunzipSize + 1];
        memcpy(field, record + kTrailerDunzipOffset, kTrailerDunzipSize);
        field[kTrailerDunzipSize] = '\0';
        if (strstr(field, " DUNZIP32.DLL") != NULL)
            return ExamineSetup(src, pe, ends[i], record, out);
    }
    return ExamineEmbed(src, pe, ends, endCount, out);
}
