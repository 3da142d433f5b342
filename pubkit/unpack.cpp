#include "unpack.h"

#include <ctype.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "embed/build_file.h"
#include "examine.h"
#include "package.h"
#include "setup/install/uninstall_list.h"
#include "setup/payload/package_keys.h"

namespace {

char gReason[900];

const char *Fail(const char *fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vsnprintf(gReason, sizeof gReason, fmt, args);
    va_end(args);
    return gReason;
}

// The files written by this run, so that a failure part-way takes them
// all back rather than leave a set that looks complete.
struct Written {
    std::vector<std::string> paths;
    std::vector<std::string> dirs;  // in the order they were made
};

void TakeBack(Written *w)
{
    for (const std::string &p : w->paths)
        remove(p.c_str());
    for (size_t i = w->dirs.size(); i-- > 0;)
        rmdir(w->dirs[i].c_str());
    w->paths.clear();
    w->dirs.clear();
}

// Moves a finished temporary file into place: the output appears whole.
const char *Publish(FILE *out, const std::string &tmp, const std::string &path, const char *why,
                    Written *w)
{
    if (fclose(out) != 0 && why == NULL)
        why = Fail("write failed (disk full?): %s", path.c_str());
    if (why == NULL && rename(tmp.c_str(), path.c_str()) != 0)
        why = Fail("cannot write %s", path.c_str());
    if (why != NULL) {
        remove(tmp.c_str());
        return why;
    }
    w->paths.push_back(path);
    return NULL;
}

void Put32(unsigned char *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = (unsigned char)(v >> (8 * i));
}

// Copies src[from, to) to path. With unsign, the region is the program
// image of a signed file: its header's certificate entry points at the
// signature left behind, so it is cleared, and a checksum the header had
// is made again over the image as written, as the linker made it.
const char *WriteRegion(const ExamineSource *src, int64_t from, int64_t to, const std::string &path,
                        const PeFacts *unsign, Written *w)
{
    std::string tmp = path + ".unpacking";
    FILE *out = fopen(tmp.c_str(), "wb");
    if (out == NULL)
        return Fail("cannot write %s", path.c_str());
    static unsigned char buf[1 << 16];  // even: only the last piece is odd
    uint32_t sum = 0, oldChecksum = 0;
    const char *why = NULL;
    for (int64_t at = from; at < to && why == NULL;) {
        uint32_t n = to - at < (int64_t)sizeof buf ? (uint32_t)(to - at) : (uint32_t)sizeof buf;
        if (src->read(src->ctx, (uint64_t)at, buf, n) != (int32_t)n) {
            why = Fail("cannot read at %lld", (long long)at);
            break;
        }
        if (unsign != NULL && at == from) {
            if (unsign->certEntryAt + 8 <= n)
                memset(buf + unsign->certEntryAt, 0, 8);
            if (unsign->checksumAt + 4 <= n) {
                const unsigned char *c = buf + unsign->checksumAt;
                oldChecksum = c[0] | c[1] << 8 | c[2] << 16 | (uint32_t)c[3] << 24;
                memset(buf + unsign->checksumAt, 0, 4);
            }
        }
        if (unsign != NULL)
            sum = PeChecksumAdd(sum, buf, n);
        if (fwrite(buf, 1, n, out) != n)
            why = Fail("write failed (disk full?): %s", path.c_str());
        at += n;
    }
    if (why == NULL && unsign != NULL && oldChecksum != 0) {
        unsigned char field[4];
        Put32(field, PeChecksumEnd(sum, (uint64_t)(to - from)));
        if (fseeko(out, (off_t)unsign->checksumAt, SEEK_SET) != 0 || fwrite(field, 1, 4, out) != 4)
            why = Fail("write failed: %s", path.c_str());
    }
    return Publish(out, tmp, path, why, w);
}

const char *WriteText(const std::string &text, const std::string &path, Written *w)
{
    std::string tmp = path + ".unpacking";
    FILE *out = fopen(tmp.c_str(), "wb");
    if (out == NULL)
        return Fail("cannot write %s", path.c_str());
    const char *why = NULL;
    if (fwrite(text.data(), 1, text.size(), out) != text.size())
        why = Fail("write failed (disk full?): %s", path.c_str());
    return Publish(out, tmp, path, why, w);
}

// A name the file can be written under at the top of the output folder,
// on this system and on Windows alike.
int PlainName(const char *name)
{
    char safe[kZipPathMax];
    return IsPlainFileName(name) &&
           ZipSafeName(name, strlen(name), safe, sizeof safe) == kZipNameFile &&
           strcmp(safe, name) == 0;
}

// The text of a trailer field up to its first zero byte.
std::string FieldText(const unsigned char *record, int at, int width)
{
    char text[kTrailerSize + 1];
    CopyTextN(text, sizeof text, (const char *)record + at, (size_t)width);
    return text;
}

// The first trailer field (of count, by start) in which two records differ.
int DifferingField(const unsigned char *a, const unsigned char *b, const int *starts, int count,
                   int size)
{
    for (int i = 0; i < count; ++i) {
        int end = i + 1 < count ? starts[i + 1] : size;
        if (memcmp(a + starts[i], b + starts[i], (size_t)(end - starts[i])) != 0)
            return i;
    }
    return -1;
}

// Why the file as found differs from what its builder writes: a signature,
// or bytes behind the trailer that some other tool appended.
void TailReasons(const ExamineSource *src, const FileLayout &l, std::vector<std::string> *why)
{
    int64_t end = l.pe.certOffset != 0 ? l.pe.certOffset : src->size;
    int64_t gap = end - l.dataEnd;
    unsigned char pad[8] = {0};
    int padding = l.pe.certOffset != 0 && gap >= 0 && gap < 8 &&
                  src->read(src->ctx, (uint64_t)l.dataEnd, pad, (uint32_t)gap) == (int32_t)gap &&
                  memcmp(pad, "\0\0\0\0\0\0\0", (size_t)gap) == 0;
    if (gap > 0 && !padding)
        why->push_back(Fail("%lld bytes behind the trailer that no builder writes (another tool "
                            "appended them): left out", (long long)gap));
    if (l.pe.certOffset != 0) {
        why->push_back(Fail("signed (certificate table of %lld bytes at %lld): the signature is "
                            "left out and the program's header made unsigned; the rebuilt file is "
                            "the one that was signed, for 'pubkit sign' to sign again",
                            (long long)l.pe.certSize, (long long)l.pe.certOffset));
        int64_t after = src->size - (l.pe.certOffset + l.pe.certSize);
        if (after > 0)
            why->push_back(Fail("%lld bytes behind the signature: left out", (long long)after));
    }
}

void Row(FILE *out, const char *name, long long bytes, const char *what)
{
    if (bytes >= 0)
        fprintf(out, "  %-16s %10lld bytes%s%s\n", name, bytes, what[0] ? "  " : "", what);
    else
        fprintf(out, "  %-16s %16s  %s\n", name, "", what);
}

void Verdict(FILE *out, const std::vector<std::string> &why, const std::string &command)
{
    if (why.empty()) {
        fprintf(out, "round trip: the same bytes again from\n  %s\n", command.c_str());
        return;
    }
    fprintf(out, "round trip: not the same bytes:\n");
    for (const std::string &w : why)
        fprintf(out, "  - %s\n", w.c_str());
    fprintf(out, "rebuild with\n  %s\n", command.c_str());
}

// ---- PACK.BOX expanded through the unzip core ----

struct DiskZip {
    const ExamineSource *src;
    int64_t start, end;
    std::string root;
    Written *written;
};

int32_t DiskRead(void *ctx, uint64_t offset, void *buf, uint32_t n)
{
    DiskZip *z = (DiskZip *)ctx;
    uint64_t length = (uint64_t)(z->end - z->start);
    if (offset >= length)
        return 0;
    if (n > length - offset)
        n = (uint32_t)(length - offset);
    return z->src->read(z->src->ctx, (uint64_t)z->start + offset, buf, n);
}

void *DiskCreate(void *ctx, const char *path)
{
    DiskZip *z = (DiskZip *)ctx;
    std::string full = z->root + "/" + path;
    // The folder was empty: nothing in it may lead elsewhere.
    int fd = open(full.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0644);
    FILE *f = fd >= 0 ? fdopen(fd, "wb") : NULL;
    if (f == NULL && fd >= 0)
        close(fd);
    if (f != NULL)
        z->written->paths.push_back(full);
    return f;
}

int DiskWrite(void *, void *file, const void *buf, uint32_t n)
{
    return fwrite(buf, 1, n, (FILE *)file) == n;
}

int DiskClose(void *, void *file)
{
    return fclose((FILE *)file) == 0;
}

void DiskRemove(void *ctx, const char *path)
{
    DiskZip *z = (DiskZip *)ctx;
    remove((z->root + "/" + path).c_str());
}

void DiskMakeDir(void *ctx, const char *path)
{
    DiskZip *z = (DiskZip *)ctx;
    std::string full = z->root + "/" + path;
    if (mkdir(full.c_str(), 0755) == 0)
        z->written->dirs.push_back(full);
}

int DiskProgress(void *, uint32_t, uint32_t, uint32_t)
{
    return 1;
}

int EmptyOrMissing(const std::string &dir)
{
    struct stat st;
    if (lstat(dir.c_str(), &st) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode))
        return 0;
    // An empty folder can be removed and made again; a full one cannot.
    if (rmdir(dir.c_str()) != 0)
        return 0;
    return 1;
}

const char *ExpandMembers(const ExamineSource *src, const FileLayout &l, const std::string &root,
                          Written *w, FILE *report)
{
    if (mkdir(root.c_str(), 0755) != 0)
        return Fail("cannot make %s", root.c_str());
    w->dirs.push_back(root);
    DiskZip z = {src, l.package.packOffset, l.trailerAt, root, w};
    ZipIo io = {&z, DiskRead, DiskCreate, DiskWrite, DiskClose, DiskRemove, DiskMakeDir,
                DiskProgress};
    ZipWork *work = (ZipWork *)malloc(sizeof(ZipWork));
    if (work == NULL)
        return Fail("out of memory");
    ZipStats stats;
    int result = ZipExpandAll(&io, (uint64_t)(l.trailerAt - l.package.packOffset), work, &stats);
    free(work);
    if (result == kZipWriteFailed)
        return Fail("write failed (disk full?) expanding PACK.BOX into %s", root.c_str());
    if (result == kZipNoMemory)
        return Fail("out of memory expanding PACK.BOX");
    fprintf(report, "  %-16s %10u files  PACK.BOX expanded as DUNZIP32.DLL expands it\n", "pack/",
            stats.files);
    return NULL;
}

// ---- the two kinds ----

std::string Quoted(const std::string &path)
{
    for (char c : path) {
        if (!(isalnum((unsigned char)c) || strchr("/._-+,=:@", c) != NULL))
            return "'" + path + "'";
    }
    return path;
}

const char *UnpackPackage(const ExamineSource *src, const FileLayout &l, const UnpackRequest *r,
                          Written *w, std::string *damage)
{
    const PayloadSettings &s = l.package;
    FILE *out = r->report;
    std::string d = r->outDir;
    const PeFacts *unsign = l.pe.certOffset != 0 ? &l.pe : NULL;
    const char *why = WriteRegion(src, 0, l.imageEnd, d + "/setup.exe", unsign, w);
    if (why == NULL)
        why = WriteRegion(src, l.imageEnd, s.dunzipOffset, d + "/METER.DLL", NULL, w);
    if (why == NULL)
        why = WriteRegion(src, s.dunzipOffset, s.packOffset, d + "/DUNZIP32.DLL", NULL, w);
    if (why == NULL)
        why = WriteRegion(src, s.packOffset, l.trailerAt, d + "/PACK.BOX", NULL, w);
    // The settings the trailer carries, as the builder reads them back.
    std::string ini = "DEFAULTDIR=" + std::string(s.destDir) + "\r\n" + "PUBNAME=" + s.pubName +
                      "\r\n" + "R1=" + FieldText(l.record, kTrailerR1Offset, kTrailerR1Size) +
                      "\r\n" + "R2=" + FieldText(l.record, kTrailerR2Offset, kTrailerR2Size) +
                      "\r\n";
    if (why == NULL)
        why = WriteText(ini, d + "/SETUP.INI", w);
    if (why != NULL)
        return why;

    fprintf(out, "%s: packaged setup, %lld bytes, into %s:\n", r->file, (long long)src->size,
            r->outDir);
    Row(out, "setup.exe", l.imageEnd, "the bare setup program: a package builder again");
    Row(out, "METER.DLL", s.dunzipOffset - l.imageEnd, "");
    Row(out, "DUNZIP32.DLL", s.packOffset - s.dunzipOffset, "");
    Row(out, "PACK.BOX", l.trailerAt - s.packOffset, "");
    Row(out, "SETUP.INI", -1, "the trailer's DEFAULTDIR=, PUBNAME=, R1= and R2=");

    unsigned char mz[2];
    if (s.dunzipOffset - l.imageEnd < 2 || src->read(src->ctx, (uint64_t)l.imageEnd, mz, 2) != 2 ||
        mz[0] != 'M' || mz[1] != 'Z')
        fprintf(out, "  note: METER.DLL's part does not start like a library: the program image "
                     "may end elsewhere than its sections do\n");
    if (s.packOffset - s.dunzipOffset < 2 ||
        src->read(src->ctx, (uint64_t)s.dunzipOffset, mz, 2) != 2 || mz[0] != 'M' || mz[1] != 'Z')
        *damage = "the DUNZIP32.DLL part is not a Windows library";

    PackView view;
    const char *zip = ReadPackBox(src, s.packOffset, l.trailerAt, &view);
    if (zip != NULL && damage->empty())
        *damage = zip;
    for (const PackMember &m : view.members) {
        if (m.removed && damage->empty())
            *damage = "PACK.BOX member " + m.name + " fails its CRC or size check";
    }
    if (r->members && zip == NULL) {
        why = ExpandMembers(src, l, d + "/pack", w, out);
        if (why != NULL)
            return why;
    }

    std::vector<std::string> reasons;
    FILE *back = fopen((d + "/SETUP.INI").c_str(), "r");
    if (back == NULL)
        return Fail("cannot read back %s/SETUP.INI", r->outDir);
    PackageKeys keys;
    ReadPackageKeys(back, &keys);
    fclose(back);
    unsigned char again[kTrailerSize];
    EncodePayloadTrailer(again, keys.defaultDir, keys.pubName, s.dunzipOffset, s.packOffset,
                         keys.r1, keys.r2);
    static const int starts[] = {kTrailerDirOffset, kTrailerNameOffset, kTrailerDunzipOffset,
                                 kTrailerPackOffset, kTrailerR1Offset, kTrailerR2Offset};
    static const char *const names[] = {"default folder", "publication name", "DUNZIP32.DLL offset",
                                        "PACK.BOX offset", "R1", "R2"};
    int field = DifferingField(l.record, again, starts, 6, kTrailerSize);
    if (field >= 0)
        reasons.push_back(Fail("the trailer's %s field holds bytes the builder never writes "
                               "(made by another tool?)", names[field]));
    TailReasons(src, l, &reasons);
    Verdict(out, reasons,
            "pubkit pack --setup " + Quoted(d + "/setup.exe") + " --meter " +
                Quoted(d + "/METER.DLL") + " --dunzip " + Quoted(d + "/DUNZIP32.DLL") +
                " --pack " + Quoted(d + "/PACK.BOX") + " --ini " + Quoted(d + "/SETUP.INI") +
                " -o NEW.EXE");
    return NULL;
}

// The installer's own file name, as the tkbuild.txt line that names it.
std::string InstallerName(const char *file)
{
    const char *slash = strrchr(file, '/');
    const char *name = slash != NULL ? slash + 1 : file;
    return PlainName(name) ? name : "INSTALL.EXE";
}

const char *UnpackEmbed(const ExamineSource *src, const FileLayout &l, const UnpackRequest *r,
                        Written *w)
{
    const EmbedFields &f = l.embed;
    FILE *out = r->report;
    std::string d = r->outDir;
    std::vector<std::string> reasons;
    // Each part under the name the trailer gives it, unless that name is no
    // plain file name or is taken by another part.
    std::string docName = f.docName, plugName = f.plugName;
    if (f.docOffset != 0 && (!PlainName(f.docName) || EqualsNoCase(f.docName, "embed.exe") ||
                             EqualsNoCase(f.docName, "tkbuild.txt"))) {
        reasons.push_back(Fail("the document's name \"%s\" is no plain file name here: written as "
                               "document.pdf", f.docName));
        docName = "document.pdf";
    }
    if (f.plugOffset != 0 &&
        (!PlainName(f.plugName) || EqualsNoCase(f.plugName, "embed.exe") ||
         EqualsNoCase(f.plugName, "tkbuild.txt") ||
         (f.docOffset != 0 && EqualsNoCase(f.plugName, docName.c_str())))) {
        reasons.push_back(Fail("the plug-in's name \"%s\" is no plain file name here: written as "
                               "tarnw32.api", f.plugName));
        plugName = EqualsNoCase(docName.c_str(), "tarnw32.api") ? "plug-in.api" : "tarnw32.api";
    }
    const PeFacts *unsign = l.pe.certOffset != 0 ? &l.pe : NULL;
    const char *why = WriteRegion(src, 0, l.imageEnd, d + "/embed.exe", unsign, w);
    int64_t docEnd = f.plugOffset != 0 ? f.plugOffset : l.trailerAt;
    if (why == NULL && f.docOffset != 0)
        why = WriteRegion(src, f.docOffset, docEnd, d + "/" + docName, NULL, w);
    if (why == NULL && f.plugOffset != 0)
        why = WriteRegion(src, f.plugOffset, l.trailerAt, d + "/" + plugName, NULL, w);
    std::string installer = InstallerName(r->file);
    const char *kind = f.docOffset != 0 ? "document" : f.plugOffset != 0 ? "plug-in" : "update";
    const char *sw = f.docOffset != 0 ? "-setup" : f.plugOffset != 0 ? "-cetup" : "-sutup";
    std::string paths[3] = {"NULL", "NULL", "NULL"};
    paths[f.docOffset != 0 ? 0 : f.plugOffset != 0 ? 1 : 2] = installer;
    std::string build = "PATH1=" + paths[0] + "\r\nPATH2=" + paths[1] + "\r\nPATH3=" + paths[2] +
                        "\r\nMSG=" + f.closingMessage + "\r\nDEL=" + f.selfDelete + "\r\n";
    if (why == NULL)
        why = WriteText(build, d + "/tkbuild.txt", w);
    if (why != NULL)
        return why;

    fprintf(out, "%s: embed %s installer, %lld bytes, into %s:\n", r->file, kind,
            (long long)src->size, r->outDir);
    Row(out, "embed.exe", l.imageEnd, "the bare embed program: an installer builder again");
    if (f.docOffset != 0)
        Row(out, docName.c_str(), docEnd - f.docOffset, "the document");
    if (f.plugOffset != 0)
        Row(out, plugName.c_str(), l.trailerAt - f.plugOffset, "the plug-in");
    Row(out, "tkbuild.txt", -1, ("PATH of " + installer + ", MSG= and DEL= from the trailer").c_str());

    FILE *back = fopen((d + "/tkbuild.txt").c_str(), "r");
    if (back == NULL)
        return Fail("cannot read back %s/tkbuild.txt", r->outDir);
    BuildSettings b;
    memset(&b, 0, sizeof b);
    ReadBuildLines(back, &b);
    fclose(back);
    char stored[kEmbedDocNameMax + 1] = "";
    if (f.docOffset != 0)
        BuilderStoredName((d + "/" + docName).c_str(), stored, sizeof stored);
    unsigned char again[kEmbedTrailerSize];
    EncodeEmbedTrailer(again, f.docOffset, stored, f.plugOffset,
                       f.plugOffset != 0 ? "tarnw32.api" : "", b.message, b.selfDelete);
    static const int starts[] = {0, kEmbedDocNameAt, kEmbedPlugOffsetAt, kEmbedPlugNameAt,
                                 kEmbedMessageAt, kEmbedSelfDeleteAt};
    int field = DifferingField(l.record, again, starts, 6, kEmbedTrailerSize);
    if (field == 1)
        reasons.push_back(Fail("the document name \"%s\" is not one the builder stores (it "
                               "lower-cases the name and ends it in pdf)", f.docName));
    else if (field == 3)
        reasons.push_back(Fail("the plug-in name \"%s\": the builder always stores tarnw32.api",
                               f.plugName));
    else if (field == 4)
        reasons.push_back("the closing message cannot be written back as one MSG= line");
    else if (field >= 0)
        reasons.push_back("the trailer holds bytes the builder never writes (made by another tool?)");
    TailReasons(src, l, &reasons);

    std::string command = "pubkit embed --image " + Quoted(d + "/embed.exe") + " --build-file " +
                          Quoted(d + "/tkbuild.txt");
    if (f.plugOffset != 0)
        command += " --plugin " + Quoted(d + "/" + plugName);
    if (f.docOffset != 0)
        command += " --doc " + Quoted(d + "/" + docName);
    command += std::string(" --switch ") + sw + " --out-dir NEWDIR";
    Verdict(out, reasons, command);
    return NULL;
}

}  // namespace

const char *UnpackFile(const UnpackRequest *r)
{
    ExamineSource src;
    if (OpenExamineFile(r->file, &src) != NULL)
        return Fail("cannot read");
    FileLayout l;
    const char *why = ReadFileLayout(&src, &l);
    if (why != NULL) {
        CloseExamineFile(&src);
        return why;
    }
    struct stat st;
    if (stat(r->outDir, &st) != 0 && mkdir(r->outDir, 0755) != 0) {
        CloseExamineFile(&src);
        return Fail("cannot make the folder %s", r->outDir);
    }
    if (r->members && l.kind == kFilePackage &&
        !EmptyOrMissing(std::string(r->outDir) + "/pack")) {
        CloseExamineFile(&src);
        return Fail("%s/pack is there already: PACK.BOX is expanded only into a new folder",
                    r->outDir);
    }
    Written w;
    std::string damage;
    why = l.kind == kFilePackage ? UnpackPackage(&src, l, r, &w, &damage)
                                 : UnpackEmbed(&src, l, r, &w);
    CloseExamineFile(&src);
    if (why != NULL) {
        TakeBack(&w);
        return why;
    }
    if (!damage.empty())
        return Fail("%s (everything else was written)", damage.c_str());
    return NULL;
}
