#include "unpack.h"

#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "book_codepage.h"
#include "common/text.h"
#include "embed/build_file.h"
#include "examine.h"
#include "output.h"
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

// One file unpack writes into the output folder: a region of the file, or
// a text it makes. Every part is written whole to a temporary file first;
// only when all are whole do they replace anything.
struct Part {
    std::string name;
    int64_t from, to;       // the region; from < 0 for a text
    const PeFacts *unsign;  // the program image of a signed file
    std::string text;
    Output out;
};

void Put32(unsigned char *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = (unsigned char)(v >> (8 * i));
}

// Copies src[from, to) to out. With unsign, the region is the program
// image of a signed file: its header's certificate entry points at the
// signature left behind, so it is cleared, and a checksum the header had
// is made again over the image as written, as the linker made it. The
// checksum goes in front, so the image is read twice: once for the sum.
const char *WriteRegion(const ExamineSource *src, int64_t from, int64_t to, const PeFacts *unsign,
                        Output *out)
{
    static unsigned char buf[1 << 16];  // even: only the last piece is odd
    uint32_t oldChecksum = 0, newChecksum = 0;
    for (int pass = unsign != NULL ? 0 : 1; pass < 2; ++pass) {
        uint32_t sum = 0;
        for (int64_t at = from; at < to;) {
            uint32_t n = to - at < (int64_t)sizeof buf ? (uint32_t)(to - at) : (uint32_t)sizeof buf;
            if (OutputInterrupted())
                return OutputInterruptedText();
            if (src->read(src->ctx, (uint64_t)at, buf, n) != (int32_t)n)
                return Fail("cannot read at %lld", (long long)at);
            if (unsign != NULL && at == from) {
                if (unsign->certEntryAt + 8 <= n)
                    memset(buf + unsign->certEntryAt, 0, 8);
                if (unsign->checksumAt + 4 <= n) {
                    unsigned char *c = buf + unsign->checksumAt;
                    oldChecksum = c[0] | c[1] << 8 | c[2] << 16 | (uint32_t)c[3] << 24;
                    memset(c, 0, 4);
                    if (pass == 1 && oldChecksum != 0)
                        Put32(c, newChecksum);
                }
            }
            if (pass == 0)
                sum = PeChecksumAdd(sum, buf, n);
            else if (!OutputWrite(out, buf, n))
                return SystemFailure("write failed", out->target);
            at += n;
        }
        newChecksum = PeChecksumEnd(sum, (uint64_t)(to - from));
    }
    return NULL;
}

const char *WritePart(const ExamineSource *src, const std::string &dir, Part *p)
{
    const char *why = OutputOpen(&p->out, (dir + "/" + p->name).c_str());
    if (why != NULL)
        return why;
    if (p->from >= 0)
        return WriteRegion(src, p->from, p->to, p->unsign, &p->out);
    if (!OutputWrite(&p->out, p->text.data(), p->text.size()))
        return SystemFailure("write failed", p->out.target);
    return NULL;
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

// A name of the book (in its code page) as a file here is named: in UTF-8.
// Returns NULL, or why it cannot be, naming it.
const char *OutsideAscii(const char *what, const std::string &stored)
{
    return Fail("%s %s: a name outside ASCII, in the ANSI code page of the Windows the book is "
                "for: name that code page with --codepage (%s) to write it in UTF-8", what,
                ShownName(stored).c_str(), kKnownCodePages);
}

const char *NameHere(const char *what, const std::string &stored, std::string *here)
{
    int ascii = 1;
    for (char c : stored)
        ascii &= (unsigned char)c < 0x80;
    if (ascii) {
        *here = stored;
        return NULL;
    }
    if (BookCodePage() == 0)
        return OutsideAscii(what, stored);
    if (!BookTextToUtf8(stored, here))
        return Fail("%s %s: no name in code page %u", what, ShownName(stored).c_str(),
                    BookCodePage());
    return NULL;
}

// The command that builds the file again takes the code page its names
// were read in.
std::string CodePageWords()
{
    return BookCodePage() != 0 ? " --codepage " + std::to_string(BookCodePage()) : "";
}

// ---- PACK.BOX expanded through the unzip core ----

// The members go into a fresh scratch folder beside DIR/pack, renamed into
// place when the expansion is over; what it made is listed so that a
// failure or an interrupt takes it all back.
struct DiskZip {
    const ExamineSource *src;
    int64_t start, end;
    std::string root;
    std::vector<std::string> files, dirs;
    std::string why;  // the first member that cannot be named here
};

// A member's path as a file under the scratch folder; empty (and z->why
// set) when it has no name here.
std::string MemberHere(DiskZip *z, const char *path)
{
    std::string here;
    const char *why = NameHere("PACK.BOX member", path, &here);
    if (why == NULL)
        return z->root + "/" + here;
    if (z->why.empty())
        z->why = why;
    return "";
}

int32_t DiskRead(void *ctx, uint64_t offset, void *buf, uint32_t n)
{
    DiskZip *z = (DiskZip *)ctx;
    uint64_t length = (uint64_t)(z->end - z->start);
    if (OutputInterrupted())
        return -1;
    if (offset >= length)
        return 0;
    if (n > length - offset)
        n = (uint32_t)(length - offset);
    return z->src->read(z->src->ctx, (uint64_t)z->start + offset, buf, n);
}

void *DiskCreate(void *ctx, const char *path)
{
    DiskZip *z = (DiskZip *)ctx;
    std::string full = MemberHere(z, path);
    if (full.empty())
        return NULL;
    // The folder is new: nothing in it may lead elsewhere.
    int fd = open(full.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW, 0644);
    FILE *f = fd >= 0 ? fdopen(fd, "wb") : NULL;
    if (f == NULL && fd >= 0)
        close(fd);
    if (f != NULL)
        z->files.push_back(full);
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
    std::string full = MemberHere(z, path);
    if (!full.empty())
        remove(full.c_str());
}

void DiskMakeDir(void *ctx, const char *path)
{
    DiskZip *z = (DiskZip *)ctx;
    std::string full = MemberHere(z, path);
    if (!full.empty() && mkdir(full.c_str(), 0755) == 0)
        z->dirs.push_back(full);
}

int DiskProgress(void *, uint32_t, uint32_t, uint32_t)
{
    return !OutputInterrupted();
}

void TakeBackExpansion(DiskZip *z)
{
    for (const std::string &p : z->files)
        remove(p.c_str());
    for (size_t i = z->dirs.size(); i-- > 0;)
        rmdir(z->dirs[i].c_str());
    rmdir(z->root.c_str());
    ScratchFolderDone(z->root.c_str());
}

int EmptyOrMissing(const std::string &dir)
{
    struct stat st;
    if (lstat(dir.c_str(), &st) != 0)
        return errno == ENOENT;
    if (!S_ISDIR(st.st_mode))
        return 0;
    DIR *d = opendir(dir.c_str());
    if (d == NULL)
        return 0;
    int empty = 1;
    while (struct dirent *e = readdir(d)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
            empty = 0;
    }
    closedir(d);
    return empty;
}

// Expands PACK.BOX into the scratch folder z->root (made here). Returns
// NULL, or a reason (everything it made is then gone again).
const char *ExpandMembers(const std::string &target, DiskZip *z, ZipStats *stats)
{
    char root[PATH_MAX];
    const char *why = ScratchFolder(target.c_str(), root, sizeof root);
    if (why != NULL)
        return why;
    z->root = root;
    ZipIo io = {z, DiskRead, DiskCreate, DiskWrite, DiskClose, DiskRemove, DiskMakeDir,
                DiskProgress};
    ZipWork *work = (ZipWork *)malloc(sizeof(ZipWork));
    int result = work == NULL ? kZipNoMemory
                              : ZipExpandAll(&io, (uint64_t)(z->end - z->start), work, stats);
    free(work);
    if (OutputInterrupted())
        why = OutputInterruptedText();
    else if (!z->why.empty())
        why = Fail("%s; nothing written", z->why.c_str());
    else if (result == kZipWriteFailed)
        why = Fail("write failed (disk full?) expanding PACK.BOX into %s", target.c_str());
    else if (result == kZipNoMemory)
        why = Fail("out of memory expanding PACK.BOX");
    if (why != NULL)
        TakeBackExpansion(z);
    return why;
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

// A package's parts: the program, its two libraries, PACK.BOX and the
// trailer's keys.
void PackageParts(const FileLayout &l, std::vector<Part> *parts)
{
    const PayloadSettings &s = l.package;
    const PeFacts *unsign = l.pe.certOffset != 0 ? &l.pe : NULL;
    std::string ini = "DEFAULTDIR=" + std::string(s.destDir) + "\r\n" + "PUBNAME=" + s.pubName +
                      "\r\n" + "R1=" + FieldText(l.record, kTrailerR1Offset, kTrailerR1Size) +
                      "\r\n" + "R2=" + FieldText(l.record, kTrailerR2Offset, kTrailerR2Size) +
                      "\r\n";
    parts->resize(5);
    (*parts)[0] = {"setup.exe", 0, l.imageEnd, unsign, "", {}};
    (*parts)[1] = {"METER.DLL", l.imageEnd, s.dunzipOffset, NULL, "", {}};
    (*parts)[2] = {"DUNZIP32.DLL", s.dunzipOffset, s.packOffset, NULL, "", {}};
    (*parts)[3] = {"PACK.BOX", s.packOffset, l.trailerAt, NULL, "", {}};
    (*parts)[4] = {"SETUP.INI", -1, -1, NULL, ini, {}};
}

// The installer's own file name, as the tkbuild.txt line that names it:
// in the book's code page.
std::string InstallerName(const char *file)
{
    const char *slash = strrchr(file, '/');
    std::string name;
    if (NameForBook(slash != NULL ? slash + 1 : file, &name) != NULL || !PlainName(name.c_str()))
        return "INSTALL.EXE";
    return name;
}

// An installer's parts: the program, the document and the plug-in under the
// names the trailer gives them (unless a name is no plain file name or is
// taken by another part), and a tkbuild.txt.
void EmbedParts(const FileLayout &l, const UnpackRequest *r, std::vector<Part> *parts,
                std::vector<std::string> *reasons)
{
    const EmbedFields &f = l.embed;
    // The names as files here: in UTF-8 from the book's code page.
    std::string docName, plugName;
    const char *why = NULL;
    if (f.docOffset != 0 && (!PlainName(f.docName) || EqualsNoCase(f.docName, "embed.exe") ||
                             EqualsNoCase(f.docName, "tkbuild.txt"))) {
        reasons->push_back(Fail("the document's name \"%s\" is no plain file name here: written "
                                "as document.pdf", ShownName(f.docName).c_str()));
        docName = "document.pdf";
    } else if (f.docOffset != 0 && (why = NameHere("the document's name", f.docName, &docName))) {
        reasons->push_back(std::string(why) + ": written as document.pdf");
        docName = "document.pdf";
    }
    if (f.plugOffset != 0 &&
        (!PlainName(f.plugName) || EqualsNoCase(f.plugName, "embed.exe") ||
         EqualsNoCase(f.plugName, "tkbuild.txt") ||
         NameHere("the plug-in's name", f.plugName, &plugName) != NULL ||
         (f.docOffset != 0 && EqualsNoCase(plugName.c_str(), docName.c_str())))) {
        reasons->push_back(Fail("the plug-in's name \"%s\" is no plain file name here: written "
                                "as tarnw32.api", ShownName(f.plugName).c_str()));
        plugName = EqualsNoCase(docName.c_str(), "tarnw32.api") ? "plug-in.api" : "tarnw32.api";
    }
    const PeFacts *unsign = l.pe.certOffset != 0 ? &l.pe : NULL;
    int64_t docEnd = f.plugOffset != 0 ? f.plugOffset : l.trailerAt;
    std::string paths[3] = {"NULL", "NULL", "NULL"};
    paths[f.docOffset != 0 ? 0 : f.plugOffset != 0 ? 1 : 2] = InstallerName(r->file);
    std::string build = "PATH1=" + paths[0] + "\r\nPATH2=" + paths[1] + "\r\nPATH3=" + paths[2] +
                        "\r\nMSG=" + f.closingMessage + "\r\nDEL=" + f.selfDelete + "\r\n";
    parts->push_back({"embed.exe", 0, l.imageEnd, unsign, "", {}});
    if (f.docOffset != 0)
        parts->push_back({docName, f.docOffset, docEnd, NULL, "", {}});
    if (f.plugOffset != 0)
        parts->push_back({plugName, f.plugOffset, l.trailerAt, NULL, "", {}});
    parts->push_back({"tkbuild.txt", -1, -1, NULL, build, {}});
}

// Reads the trailer's keys back from the SETUP.INI text unpack writes.
void KeysOf(const std::string &text, PackageKeys *keys)
{
    memset(keys, 0, sizeof *keys);
    FILE *f = fmemopen((void *)text.data(), text.size(), "r");
    if (f == NULL)
        return;
    ReadPackageKeys(f, keys);
    fclose(f);
}

// What a package's parts are, and whether they pack to the same bytes.
void ReportPackage(const ExamineSource *src, const FileLayout &l, const UnpackRequest *r,
                   const std::string &ini, const PackView &view, const ZipStats *expanded)
{
    const PayloadSettings &s = l.package;
    FILE *out = r->report;
    std::string d = r->outDir;
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
    if (expanded != NULL)
        fprintf(out, "  %-16s %10u files  PACK.BOX expanded as DUNZIP32.DLL expands it\n", "pack/",
                expanded->files);
    for (const PackMember &m : view.members) {
        if (!m.fault.empty())
            fprintf(out, "  setup will not have PACK.BOX member %s: %s\n",
                    ShownText(m.name).c_str(), ShownText(m.fault).c_str());
    }

    std::vector<std::string> reasons;
    PackageKeys keys;
    KeysOf(ini, &keys);
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
                " -o NEW.EXE" + CodePageWords());
}

void ReportEmbed(const ExamineSource *src, const FileLayout &l, const UnpackRequest *r,
                 const std::vector<Part> &parts, std::vector<std::string> reasons)
{
    const EmbedFields &f = l.embed;
    FILE *out = r->report;
    std::string d = r->outDir;
    const char *kind = f.docOffset != 0 ? "document" : f.plugOffset != 0 ? "plug-in" : "update";
    const char *sw = f.docOffset != 0 ? "-setup" : f.plugOffset != 0 ? "-cetup" : "-sutup";
    std::string docName = f.docOffset != 0 ? parts[1].name : "";
    std::string plugName = f.plugOffset != 0 ? parts[parts.size() - 2].name : "";
    fprintf(out, "%s: embed %s installer, %lld bytes, into %s:\n", r->file, kind,
            (long long)src->size, r->outDir);
    Row(out, "embed.exe", l.imageEnd, "the bare embed program: an installer builder again");
    if (f.docOffset != 0)
        Row(out, docName.c_str(), parts[1].to - parts[1].from, "the document");
    if (f.plugOffset != 0)
        Row(out, plugName.c_str(), l.trailerAt - f.plugOffset, "the plug-in");
    Row(out, "tkbuild.txt", -1,
        ("PATH of " + ShownText(InstallerName(r->file)) + ", MSG= and DEL= from the trailer").c_str());

    BuildSettings b;
    memset(&b, 0, sizeof b);
    const std::string &build = parts.back().text;
    FILE *back = fmemopen((void *)build.data(), build.size(), "r");
    if (back != NULL) {
        ReadBuildLines(back, &b);
        fclose(back);
    }
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
                               "lower-cases the name and ends it in pdf)",
                               ShownName(f.docName).c_str()));
    else if (field == 3)
        reasons.push_back(Fail("the plug-in name \"%s\": the builder always stores tarnw32.api",
                               ShownName(f.plugName).c_str()));
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
    command += std::string(" --switch ") + sw + " --out-dir NEWDIR" + CodePageWords();
    Verdict(out, reasons, command);
}

// Whether the output folder may take the parts: none of their names may be
// taken unless overwrite allows it, and none may be the file read.
const char *FolderTakes(const UnpackRequest *r, const std::vector<Part> &parts, int members)
{
    std::string taken;
    for (const Part &p : parts) {
        std::string path = std::string(r->outDir) + "/" + p.name;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0)
            continue;
        const char *inputs[] = {r->file};
        const char *why = RefuseInputAsOutput(path.c_str(), inputs, 1);
        if (why != NULL)
            return why;
        taken += (taken.empty() ? "" : ", ") + p.name;
    }
    if (!taken.empty() && !r->overwrite)
        return Fail("%s already holds %s: nothing written (--overwrite replaces them)", r->outDir,
                    taken.c_str());
    if (members && !EmptyOrMissing(std::string(r->outDir) + "/pack"))
        return Fail("%s/pack is there already: PACK.BOX is expanded only into a new folder, "
                    "nothing written (move it away first)", r->outDir);
    return NULL;
}

}  // namespace

const char *UnpackFile(const UnpackRequest *r)
{
    ExamineSource src;
    if (OpenExamineFile(r->file, &src) != NULL)
        return SystemFailure("cannot read", r->file);
    FileLayout l;
    const char *why = ReadFileLayout(&src, &l);
    if (why != NULL) {
        CloseExamineFile(&src);
        return why;
    }
    std::vector<Part> parts;
    std::vector<std::string> reasons;
    if (l.kind == kFilePackage)
        PackageParts(l, &parts);
    else
        EmbedParts(l, r, &parts, &reasons);
    int members = r->members && l.kind == kFilePackage;

    struct stat st;
    int madeFolder = 0;
    if (lstat(r->outDir, &st) != 0) {
        if (mkdir(r->outDir, 0755) != 0) {
            CloseExamineFile(&src);
            return SystemFailure("cannot make the folder", r->outDir);
        }
        madeFolder = 1;
    } else if (!S_ISDIR(st.st_mode)) {
        CloseExamineFile(&src);
        return Fail("%s is not a folder: nothing written", r->outDir);
    }
    for (Part &p : parts) {
        memset(&p.out, 0, sizeof p.out);
        p.out.slot = -1;
    }
    why = FolderTakes(r, parts, members);
    for (size_t i = 0; i < parts.size() && why == NULL; ++i)
        why = WritePart(&src, r->outDir, &parts[i]);

    // PACK.BOX as setup will find it; its members expanded when asked for.
    PackView view;
    std::string damage;
    const char *zip = NULL;
    DiskZip expansion;
    ZipStats stats;
    int expanded = 0;
    if (why == NULL && l.kind == kFilePackage) {
        const PayloadSettings &s = l.package;
        unsigned char mz[2];
        if (s.packOffset - s.dunzipOffset < 2 ||
            src.read(src.ctx, (uint64_t)s.dunzipOffset, mz, 2) != 2 || mz[0] != 'M' || mz[1] != 'Z')
            damage = "the DUNZIP32.DLL part is not a Windows library";
        zip = ReadPackBox(&src, s.packOffset, l.trailerAt, s.destDir, &view);
        const char *member = zip != NULL ? zip : FirstMemberFault(&view);
        if (member != NULL && damage.empty())
            damage = ShownText(member);
        // Without the code page no member outside ASCII has a name here, nor
        // one the unzip library passes over in 1252: none is written.
        for (size_t i = 0; members && zip == NULL && BookCodePage() == 0 &&
                           i < view.members.size() && why == NULL; ++i) {
            if (!view.members[i].ascii)
                why = Fail("%s; nothing written",
                           std::string(OutsideAscii("PACK.BOX member", view.members[i].name))
                               .c_str());
        }
        if (members && zip == NULL && why == NULL) {
            expansion.src = &src;
            expansion.start = s.packOffset;
            expansion.end = l.trailerAt;
            why = ExpandMembers(std::string(r->outDir) + "/pack", &expansion, &stats);
            expanded = why == NULL;
        }
    }
    if (why == NULL && OutputInterrupted())
        why = OutputInterruptedText();
    for (Part &p : parts) {
        if (why == NULL)
            why = OutputCommit(&p.out);
        else
            OutputDiscard(&p.out);
    }
    if (expanded && why == NULL) {
        std::string pack = std::string(r->outDir) + "/pack";
        if (rename(expansion.root.c_str(), pack.c_str()) != 0)
            why = SystemFailure("cannot make", pack.c_str());
        else
            ScratchFolderDone(expansion.root.c_str());
    }
    if (expanded && why != NULL)
        TakeBackExpansion(&expansion);
    if (why != NULL) {
        CloseExamineFile(&src);
        if (madeFolder)
            rmdir(r->outDir);
        return why;
    }
    if (l.kind == kFilePackage)
        ReportPackage(&src, l, r, parts[4].text, view, expanded ? &stats : NULL);
    else
        ReportEmbed(&src, l, r, parts, reasons);
    CloseExamineFile(&src);
    if (!damage.empty())
        return Fail("%s (everything else was written)", damage.c_str());
    return NULL;
}
