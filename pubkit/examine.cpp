#include "examine.h"

#include <ctype.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <string>

#include "book_codepage.h"
#include "setup/install/script_values.h"
#include "zip_layout.h"

namespace {

char gReason[1200];

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

const size_t kScriptMax = 1 << 20;
// Enough of EMBED.EXE's end for its trailer at every distance the reader
// tries, in front of a signature of some size.
const size_t kEmbedTailMax = 1 << 16;

struct ZipView {
    const ExamineSource *src;
    int64_t start, end;
    PackView *view;
    const std::vector<ZipEntry> *entries;
    std::vector<size_t> at;  // the entry of each member
    size_t next;             // the first entry the unzip core has not reached
    size_t current;          // the member being expanded
    int open;  // 1 SETUP.INI, 2 EMBED.EXE, 0 another member
};

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
    PackView *p = v->view;
    // The core visits the entries in the directory's order and creates those
    // whose data it found, which the layout marked likewise.
    const std::vector<ZipEntry> &entries = *v->entries;
    while (v->next < entries.size() &&
           !(entries[v->next].kind == kZipNameFile && entries[v->next].dataEnd != 0 &&
             entries[v->next].name == path))
        ++v->next;
    size_t member = 0;
    while (member < v->at.size() && v->at[member] != v->next)
        ++member;
    ++v->next;
    if (member == v->at.size()) {  // not in the layout: cannot be, but keep it seen
        p->members.push_back({path, 0, 0, 0, "", 0});
        v->at.push_back(entries.size());
    }
    v->current = member;
    PackMember &m = p->members[member];
    m.crc = (uint32_t)crc32(0, Z_NULL, 0);
    m.size = 0;
    v->open = strcasecmp(path, "SETUP.INI") == 0 ? 1 : strcasecmp(path, "EMBED.EXE") == 0 ? 2 : 0;
    if (v->open == 1) {
        p->hasScript = 1;
        p->script.clear();
    } else if (v->open == 2) {
        p->hasEmbed = 1;
        p->embedSize = 0;
        p->embedHead.clear();
        p->embedTail.clear();
    }
    return (void *)(uintptr_t)(member + 1);
}

int ZipWrite(void *ctx, void *, const void *buf, uint32_t n)
{
    ZipView *v = (ZipView *)ctx;
    PackView *p = v->view;
    PackMember &m = p->members[v->current];
    m.crc = (uint32_t)crc32(m.crc, (const Bytef *)buf, n);
    m.size += n;
    const char *bytes = (const char *)buf;
    if (v->open == 1 && p->script.size() < kScriptMax)
        p->script.append(bytes, std::min<size_t>(n, kScriptMax - p->script.size()));
    if (v->open == 2) {
        size_t head = std::min<size_t>(n, kPeHeadBytes - std::min<size_t>(kPeHeadBytes, p->embedHead.size()));
        p->embedHead.append(bytes, head);
        p->embedTail.append(bytes, n);
        if (p->embedTail.size() > 2 * kEmbedTailMax)
            p->embedTail.erase(0, p->embedTail.size() - kEmbedTailMax);
        p->embedSize += n;
    }
    return 1;
}

int ZipClose(void *ctx, void *)
{
    ZipView *v = (ZipView *)ctx;
    if (v->open == 2 && v->view->embedTail.size() > kEmbedTailMax)
        v->view->embedTail.erase(0, v->view->embedTail.size() - kEmbedTailMax);
    v->open = 0;
    return 1;
}

void ZipRemove(void *ctx, const char *path)
{
    ZipView *v = (ZipView *)ctx;
    PackView *p = v->view;
    p->members[v->current].removed = 1;
    // What the unzip core removes is not in the installation folder.
    if (strcasecmp(path, "SETUP.INI") == 0) {
        p->hasScript = 0;
        p->script.clear();
    }
    if (strcasecmp(path, "EMBED.EXE") == 0)
        p->hasEmbed = 0;
}

void ZipMakeDir(void *, const char *) {}

int ZipProgress(void *, uint32_t, uint32_t, uint32_t)
{
    return 1;
}

int32_t ReadEmbedMember(void *ctx, uint64_t offset, void *buf, uint32_t n)
{
    const PackView *p = (const PackView *)ctx;
    if (offset >= p->embedSize)
        return 0;
    if (n > p->embedSize - offset)
        n = (uint32_t)(p->embedSize - offset);
    uint64_t tailStart = p->embedSize - p->embedTail.size();
    if (offset + n <= p->embedHead.size())
        memcpy(buf, p->embedHead.data() + offset, n);
    else if (offset >= tailStart)
        memcpy(buf, p->embedTail.data() + (offset - tailStart), n);
    else
        return -1;
    return (int32_t)n;
}

const char *ExamineArchive(const ExamineSource *src, int64_t start, int64_t end,
                           const char *installDir, FILE *out, std::string *script)
{
    PackView view;
    const char *why = ReadPackBox(src, start, end, installDir, &view);
    if (why != NULL)
        return why;
    const ZipStats &stats = view.stats;
    fprintf(out, "PACK.BOX: %u entries, %u files, %u folders\n", stats.members, stats.files,
            stats.dirs);
    for (const PackMember &m : view.members) {
        fprintf(out, "  %10llu  %08x  %s  %s\n", (unsigned long long)m.size, m.crc,
                m.fault.empty() ? "ok" : "FAULT", m.name.c_str());
        if (!m.fault.empty())
            fprintf(out, "  %10s  %8s  %s\n", "", "", m.fault.c_str());
    }
    // Judged in 1252 by default, a Japanese book's names are mostly wrong.
    int ascii = 1;
    for (const PackMember &m : view.members)
        ascii &= m.ascii;
    if (!ascii && BookCodePage() == 0)
        fprintf(out, "  note: names outside ASCII are read in code page %u here; --codepage N "
                     "reads them in the one of the Windows the book is for\n", JudgedCodePage());
    *script = view.script;
    return FirstMemberFault(&view);
}

// ---- the plan SETUP.INI describes ----

std::string Stripped(const char *quoted)
{
    size_t n = strlen(quoted);
    return n < 2 ? std::string() : std::string(quoted + 1, n - 2);
}

}  // namespace

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
    // Setup opens the main item for a value of more than two characters:
    // "YES" does, "NO" and an empty one do not.
    if (strlen(values.autoLaunch) > 2)
        fprintf(out, "  open the main item in the viewer at the end (AUTOLAUNCH=%s; not in a "
                     "silent run, nor when the viewer's installer or EMBED.EXE failed)\n",
                values.autoLaunch);
    else if (values.autoLaunch[0])
        fprintf(out, "  nothing opened at the end (AUTOLAUNCH=%s: setup opens the main item "
                     "only for a value longer than 2 characters)\n", values.autoLaunch);
}

namespace {

// ---- the two kinds of file ----

// The builder writes its numbers as digits followed by zero bytes, its
// texts as printable characters (and the tabs a tkbuild.txt line may hold)
// followed by zero bytes, and nothing elsewhere: any other record is not
// one of its trailers, however the program itself would read it.
int FieldIs(const unsigned char *record, int at, int width, int digits)
{
    int i = 0;
    while (i < width && record[at + i] != 0 &&
           (digits ? isdigit(record[at + i])
                   : (record[at + i] >= 0x20 && record[at + i] != 0x7F) || record[at + i] == '\t'))
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

const char *PackageLayout(const unsigned char *record, int64_t dataEnd, FileLayout *l)
{
    memset(&l->package, 0, sizeof l->package);
    DecodePayloadTrailer(record, &l->package);
    if (!PayloadOffsetsValid(&l->package, dataEnd))
        return Fail("trailer offsets are impossible: DUNZIP32.DLL at %s%lld", "",
                    l->package.dunzipOffset);
    if (l->package.dunzipOffset < l->pe.imageEnd)
        return Fail("trailer puts DUNZIP32.DLL inside the program image (at %s%lld)", "",
                    l->package.dunzipOffset);
    l->kind = kFilePackage;
    l->imageEnd = l->pe.imageEnd;
    l->trailerAt = dataEnd - kTrailerSize;
    l->dataEnd = dataEnd;
    memcpy(l->record, record, kTrailerSize);
    return NULL;
}

const char *EmbedLayout(const ExamineSource *src, const int64_t *ends, int endCount, FileLayout *l)
{
    for (int n = 0; n < kEmbedTrailerDistances * endCount; ++n) {
        int64_t at = ends[n % endCount] - kEmbedTrailerDistance[n / endCount];
        unsigned char record[kEmbedTrailerSize];
        EmbedFields f;
        if (!ReadAt(src, at, record, sizeof record) || !WellFormedEmbedRecord(record) ||
            !DecodeEmbedTrailer(record, &f))
            continue;
        if (!EmbedOffsetsValid(&f, at))
            return Fail("embed trailer offsets are impossible (document at %s%lld)", "",
                        f.docOffset);
        int64_t imageEnd = f.docOffset != 0 ? f.docOffset : f.plugOffset != 0 ? f.plugOffset : at;
        if (imageEnd < l->pe.imageEnd)
            return Fail("embed trailer puts its cargo inside the program image (at %s%lld)", "",
                        imageEnd);
        l->kind = kFileEmbed;
        l->embed = f;
        l->embedDistance = kEmbedTrailerDistance[n / endCount];
        l->imageEnd = imageEnd;
        l->trailerAt = at;
        l->dataEnd = at + kEmbedTrailerSize;
        memcpy(l->record, record, kEmbedTrailerSize);
        return NULL;
    }
    return Fail("no trailer: neither a packaged setup nor an embed installer (a bare program?)");
}

int32_t ReadForPe(void *ctx, int64_t offset, void *buf, uint32_t n)
{
    const ExamineSource *src = (const ExamineSource *)ctx;
    return offset < 0 ? -1 : src->read(src->ctx, (uint64_t)offset, buf, n);
}

const char *ExamineSetup(const ExamineSource *src, const FileLayout &l, FILE *out)
{
    const PayloadSettings &s = l.package;
    fprintf(out, "package: packaged setup, %lld bytes\n", (long long)src->size);
    Region(out, "program image", 0, l.imageEnd);
    Region(out, "METER.DLL", l.imageEnd, s.dunzipOffset);
    Region(out, "DUNZIP32.DLL", s.dunzipOffset, s.packOffset);
    Region(out, "PACK.BOX", s.packOffset, l.trailerAt);
    Region(out, "trailer", l.trailerAt, l.dataEnd);
    if (l.pe.certOffset != 0)
        Region(out, "signature", l.pe.certOffset, l.pe.certOffset + l.pe.certSize);
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
    const char *why = ExamineArchive(src, s.packOffset, l.trailerAt, s.destDir, out, &script);
    if (why != NULL)
        return why;
    DescribePlan(script, out);
    return NULL;
}

void ExamineEmbed(const ExamineSource *src, const FileLayout &l, FILE *out)
{
    const EmbedFields &f = l.embed;
    const char *kind = f.docOffset != 0 ? "document installer"
                       : f.plugOffset != 0 ? "plug-in installer" : "update installer";
    fprintf(out, "embed installer: %s, %lld bytes; trailer %d bytes from the end%s\n", kind,
            (long long)src->size, l.embedDistance,
            l.pe.certOffset != 0 ? " of the signed data" : "");
    Region(out, "program image", 0, l.imageEnd);
    if (f.docOffset != 0)
        Region(out, "document", f.docOffset, f.plugOffset != 0 ? f.plugOffset : l.trailerAt);
    if (f.plugOffset != 0)
        Region(out, "plug-in", f.plugOffset, l.trailerAt);
    Region(out, "trailer", l.trailerAt, l.dataEnd);
    if (l.pe.certOffset != 0)
        Region(out, "signature", l.pe.certOffset, l.pe.certOffset + l.pe.certSize);
    fprintf(out, "fields:\n  D (document)     %d\n  document name    \"%s\"\n", f.docOffset,
            f.docName);
    fprintf(out, "  P (plug-in)      %d\n  plug-in name     \"%s\"\n", f.plugOffset,
            f.plugName);
    fprintf(out, "  closing message  \"%s\"\n  self-delete      \"%s\"\n", f.closingMessage,
            f.selfDelete);
}

int32_t ReadOpenFile(void *ctx, uint64_t offset, void *buf, uint32_t n)
{
    FILE *f = (FILE *)ctx;
    if (fseeko(f, (off_t)offset, SEEK_SET) != 0)
        return -1;
    size_t got = fread(buf, 1, n, f);
    return ferror(f) ? -1 : (int32_t)got;
}

}  // namespace

const char *OpenExamineFile(const char *path, ExamineSource *src)
{
    FILE *f = fopen(path, "rb");
    struct stat st;
    if (f == NULL || fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = f == NULL || !S_ISDIR(st.st_mode) ? errno : EISDIR;
        if (f != NULL)
            fclose(f);
        errno = err;
        return "cannot read";
    }
    src->ctx = f;
    src->size = (int64_t)st.st_size;
    src->read = ReadOpenFile;
    return NULL;
}

void CloseExamineFile(ExamineSource *src)
{
    if (src->ctx != NULL)
        fclose((FILE *)src->ctx);
    src->ctx = NULL;
}

const char *ReadFileLayout(const ExamineSource *src, FileLayout *l)
{
    memset(l, 0, sizeof *l);
    unsigned char head[kPeHeadBytes];
    uint32_t headLen = src->size < (int64_t)sizeof head ? (uint32_t)src->size : (uint32_t)sizeof head;
    if (src->size < kTrailerSize)
        return Fail("%s%lld bytes: too short to carry a trailer", "", src->size);
    if (src->read(src->ctx, 0, head, headLen) != (int32_t)headLen)
        return Fail("cannot read the file's start");
    const char *why = ReadPeFacts(head, headLen, src->size, &l->pe);
    if (why != NULL)
        return why;
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
            return PackageLayout(record, ends[i], l);
    }
    return EmbedLayout(src, ends, endCount, l);
}

const char *ReadPackBox(const ExamineSource *src, int64_t start, int64_t end,
                        const char *installDir, PackView *view)
{
    view->members.clear();
    view->hasScript = 0;
    view->script.clear();
    view->hasEmbed = 0;
    view->embedSize = 0;
    view->embedHead.clear();
    view->embedTail.clear();
    memset(&view->stats, 0, sizeof view->stats);
    ZipLayout layout;
    ZipView zv;
    zv.src = src;
    zv.start = start;
    zv.end = end;
    zv.view = view;
    zv.entries = &layout.entries;
    zv.next = zv.current = 0;
    zv.open = 0;
    const char *why = ReadZipLayout(ZipRead, &zv, (uint64_t)(end - start), &layout);
    if (why != NULL)
        return why;
    for (size_t i = 0; i < layout.entries.size(); ++i) {
        const ZipEntry &e = layout.entries[i];
        if (e.kind == kZipNameDir)
            continue;
        view->members.push_back({e.name, e.crc, e.size, 0, e.fault, !e.fault.empty(), e.ascii});
        zv.at.push_back(i);
    }
    ZipIo io = {&zv, ZipRead, ZipCreate, ZipWrite, ZipClose, ZipRemove, ZipMakeDir, ZipProgress};
    ZipWork *work = (ZipWork *)malloc(sizeof(ZipWork));
    if (work == NULL)
        return Fail("out of memory");
    int result = ZipExpandAll(&io, (uint64_t)(end - start), work, &view->stats);
    free(work);
    if (result == kZipNotArchive)
        return Fail("PACK.BOX is not a zip archive: no readable central directory");
    std::vector<std::string> written;
    std::vector<size_t> index;
    for (size_t i = 0; i < view->members.size(); ++i) {
        PackMember &m = view->members[i];
        if (m.removed && m.fault.empty()) {
            m.fault = "fails its CRC or size check: the unzip library removes it";
            m.stops = 1;
        }
        if (m.fault.empty()) {
            written.push_back(m.name);
            index.push_back(i);
        }
    }
    if (installDir == NULL)
        return NULL;  // the caller judges the names against its own folder
    for (const NameFault &f : WindowsNameFaults(written, installDir)) {
        view->members[index[f.index]].fault = f.text;
        view->members[index[f.index]].stops = f.unwritten;
    }
    return NULL;
}

const char *FirstMemberFault(const PackView *view)
{
    const PackMember *first = NULL;
    size_t more = 0;
    int stops = 0;
    for (const PackMember &m : view->members) {
        if (m.fault.empty())
            continue;
        stops |= m.stops;
        if (first == NULL)
            first = &m;
        else
            ++more;
    }
    if (first == NULL)
        return NULL;
    snprintf(gReason, sizeof gReason, "PACK.BOX member %s: %s", first->name.c_str(),
             first->fault.c_str());
    if (more != 0) {
        size_t n = strlen(gReason);
        snprintf(gReason + n, sizeof gReason - n, " (and %zu more member%s setup will not have)",
                 more, more == 1 ? "" : "s");
    }
    if (stops) {
        size_t n = strlen(gReason);
        snprintf(gReason + n, sizeof gReason - n, "; DUNZIP32.DLL fails the expansion and setup "
                 "stops with alert 1008");
    }
    return gReason;
}

void EmbedMemberSource(const PackView *view, ExamineSource *src)
{
    src->ctx = (void *)view;
    src->size = (int64_t)view->embedSize;
    src->read = ReadEmbedMember;
}

const char *ExaminePackage(const ExamineSource *src, FILE *out)
{
    FileLayout l;
    const char *why = ReadFileLayout(src, &l);
    if (why != NULL)
        return why;
    fprintf(out, "program: PE32%s %s, %s subsystem\n", l.pe.pe32Plus ? "+" : "", MachineName(l.pe),
            l.pe.subsystem == 2 ? "GUI" : l.pe.subsystem == 3 ? "console" : "other");
    if (l.pe.certOffset != 0)
        fprintf(out, "signed: certificate table of %lld bytes at %lld\n", (long long)l.pe.certSize,
                (long long)l.pe.certOffset);
    if (l.kind == kFilePackage)
        return ExamineSetup(src, l, out);
    ExamineEmbed(src, l, out);
    return NULL;
}
