#include "package.h"

#include <ctype.h>
#include <errno.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "book_codepage.h"
#include "common/text.h"
#include "embed/build_file.h"
#include "embed/trailer.h"
#include "examine.h"
#include "output.h"
#include "setup/payload/package_keys.h"
#include "setup/payload/trailer.h"
#include "zip_writer.h"

namespace {

char gReason[PATH_MAX + 200];

const char *Fail(const char *what, const char *name)
{
    snprintf(gReason, sizeof gReason, "%s: %s", what, name);
    return gReason;
}

// Appends a whole file through one 4096-byte buffer, as the builders do.
const char *Append(Output *out, const char *path)
{
    FILE *in = fopen(path, "rb");
    if (in == NULL)
        return SystemFailure("cannot read", path);
    unsigned char buf[4096];
    const char *why = NULL;
    for (;;) {
        size_t got = fread(buf, 1, sizeof buf, in);
        if (ferror(in)) {
            why = SystemFailure("read failed", path);
            break;
        }
        if (OutputInterrupted()) {
            why = OutputInterruptedText();
            break;
        }
        if (!OutputWrite(out, buf, got)) {
            why = SystemFailure("write failed appending", path);
            break;
        }
        if (got < sizeof buf)
            break;
    }
    fclose(in);
    return why;
}

// The output's size so far, as a trailer offset: the formats hold 32 bits.
const char *Offset(const Output *out, const char *what, int32_t *offset)
{
    if (out->size > 0x7FFFFFFFull)
        return Fail("too large for the trailer's offsets at", what);
    *offset = (int32_t)out->size;
    return NULL;
}

int IsFolder(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

int ToOutput(void *ctx, const void *buf, size_t n)
{
    return OutputWrite((Output *)ctx, buf, n);
}

// Whether the file at path is a package, as an earlier pack leaves it.
int IsPackage(const char *path)
{
    ExamineSource src;
    if (OpenExamineFile(path, &src) != NULL)
        return 0;
    FileLayout l;
    int package = ReadFileLayout(&src, &l) == NULL && l.kind == kFilePackage;
    CloseExamineFile(&src);
    return package;
}

// Whether the file at path is a zip archive, as an earlier zip leaves it.
int IsZipArchive(const char *path)
{
    unsigned char head[4] = {0};
    FILE *f = fopen(path, "rb");
    size_t got = f != NULL ? fread(head, 1, 4, f) : 0;
    if (f != NULL)
        fclose(f);
    return got == 4 && head[0] == 'P' && head[1] == 'K' &&
           ((head[2] == 3 && head[3] == 4) || (head[2] == 5 && head[3] == 6));
}

void FolderOf(const char *path, char *dir, size_t cap)
{
    const char *slash = strrchr(path, '/');
    if (slash == NULL)
        snprintf(dir, cap, ".");
    else
        snprintf(dir, cap, "%.*s", slash == path ? 1 : (int)(slash - path), path);
}

}  // namespace

const char *ZipFolder(const char *folder, const char *output, ZipWriteStats *stats, int *leftOut)
{
    const char *why = RefuseInputAsOutput(output, NULL, 0);
    if (why != NULL)
        return why;
    Output out;
    if ((why = OutputOpen(&out, output)) != NULL)
        return why;
    ScanSkip skip[2];
    FolderScan scan = {NULL, 0, 0};
    char scratch[PATH_MAX];
    FolderOf(out.target, scratch, sizeof scratch);
    FolderZipOptions options = {0, 0, scratch};
    ZipSink sink = {&out, ToOutput};
    why = LeaveOutOutput(&out, IsZipArchive, skip, &scan);
    if (why == NULL)
        why = WriteFolderZip(folder, &sink, &scan, &options, stats);
    if (why == NULL && OutputInterrupted())
        why = OutputInterruptedText();
    if (why == NULL)
        why = OutputCommit(&out);
    OutputDiscard(&out);
    *leftOut = scan.skipped;
    return why;
}

const char *PackSetup(const PackInputs *in, PackWritten *written)
{
    int folder = IsFolder(in->pack);
    const char *inputs[] = {in->setupImage, in->meter, in->dunzip, folder ? NULL : in->pack,
                            in->ini};
    const char *why = RefuseInputAsOutput(in->output, inputs, 5);
    if (why != NULL)
        return why;
    PackageKeys keys;
    FILE *ini = fopen(in->ini, "r");
    if (ini == NULL)
        return SystemFailure("cannot read", in->ini);
    ReadPackageKeys(ini, &keys);
    fclose(ini);

    Output out;
    if ((why = OutputOpen(&out, in->output)) != NULL)
        return why;
    int32_t dunzipOffset = 0, packOffset = 0;
    FolderScan scan = {NULL, 0, 0};
    why = Append(&out, in->setupImage);
    if (why == NULL)
        why = Append(&out, in->meter);
    if (why == NULL)
        why = Offset(&out, "DUNZIP32.DLL", &dunzipOffset);
    if (why == NULL)
        why = Append(&out, in->dunzip);
    if (why == NULL)
        why = Offset(&out, "PACK.BOX", &packOffset);
    if (why == NULL && folder) {
        ScanSkip skip[2];
        char scratch[PATH_MAX];
        FolderOf(out.target, scratch, sizeof scratch);
        FolderZipOptions options = {in->workers, 0, scratch};
        ZipSink sink = {&out, ToOutput};
        why = LeaveOutOutput(&out, IsPackage, skip, &scan);
        if (why == NULL)
            why = WriteFolderZip(in->pack, &sink, &scan, &options, NULL);
    } else if (why == NULL) {
        why = Append(&out, in->pack);
    }
    if (why == NULL) {
        int32_t end;
        why = Offset(&out, "the trailer", &end);
    }
    if (why == NULL) {
        unsigned char record[kTrailerSize];
        EncodePayloadTrailer(record, keys.defaultDir, keys.pubName, dunzipOffset, packOffset,
                             keys.r1, keys.r2);
        if (!OutputWrite(&out, record, sizeof record))
            why = SystemFailure("write failed at the trailer of", in->output);
    }
    if (why == NULL && OutputInterrupted())
        why = OutputInterruptedText();
    if (why != NULL) {
        OutputDiscard(&out);
        return why;
    }
    if (written != NULL) {
        written->size = out.size;
        OutputSha256(&out, written->sha256);
        written->leftOut = scan.skipped;
    }
    why = OutputCommit(&out);
    OutputDiscard(&out);
    return why;
}

namespace {

// PATHn names a Windows path in the book's code page; the output goes into
// outDir under its last component (split at separators of their own, never
// a trail byte), named in UTF-8 here. Returns NULL, or why it cannot be.
const char *OutputPath(const EmbedInputs *in, const char *value, std::string *path)
{
    const char *name = value;
    for (const char *p = value; *p; p += CharSize(p)) {
        if (CharSize(p) == 1 && (*p == '\\' || *p == '/' || *p == ':'))
            name = p + 1;
    }
    std::string here = name;
    int ascii = 1;
    for (char c : here)
        ascii &= (unsigned char)c < 0x80;
    if (!ascii && BookCodePage() == 0) {
        snprintf(gReason, sizeof gReason, "%s: the installer's name %s is outside ASCII: name "
                 "the code page the book is for with --codepage (%s)", in->buildFile,
                 ShownName(name).c_str(), kKnownCodePages);
        return gReason;
    }
    if (!ascii && !BookTextToUtf8(name, &here)) {
        snprintf(gReason, sizeof gReason, "%s: the installer's name %s is no text of code "
                 "page %u", in->buildFile, ShownName(name).c_str(), BookCodePage());
        return gReason;
    }
    *path = std::string(in->outDir) + "/" + here;
    return NULL;
}

struct Staged {
    Output out;
    std::string path;
};

const char *WriteInstaller(const EmbedInputs *in, const char *value, const BuildSettings *b,
                           const char *storedName, int withDocument, int withPlugin,
                           Staged *staged)
{
    std::string path;
    const char *why = OutputPath(in, value, &path);
    if (why != NULL)
        return why;
    if (path.back() == '/')
        return Fail("no file name in", ShownText(value).c_str());
    if (withDocument && in->document == NULL)
        return Fail("no document given (--doc) for the document installer", value);
    if (withPlugin && in->plugin == NULL)
        return Fail("no plug-in given (--plugin) for the installer", value);
    const char *inputs[] = {in->image, in->buildFile, in->plugin, in->document};
    why = RefuseInputAsOutput(path.c_str(), inputs, 4);
    if (why != NULL)
        return why;
    staged->path = path;
    if ((why = OutputOpen(&staged->out, path.c_str())) != NULL)
        return why;
    Output *out = &staged->out;
    int32_t docOffset = 0, plugOffset = 0;
    why = Append(out, in->image);
    if (why == NULL && withDocument && (why = Offset(out, in->document, &docOffset)) == NULL)
        why = Append(out, in->document);
    if (why == NULL && withPlugin && (why = Offset(out, in->plugin, &plugOffset)) == NULL)
        why = Append(out, in->plugin);
    if (why == NULL && (docOffset > 999999999 || plugOffset > 2147483647))
        why = Fail("offsets too large for the trailer in", path.c_str());
    if (why == NULL) {
        unsigned char record[kEmbedTrailerSize];
        EncodeEmbedTrailer(record, docOffset, withDocument ? storedName : "", plugOffset,
                           withPlugin ? "tarnw32.api" : "", b->message, b->selfDelete);
        if (!OutputWrite(out, record, sizeof record))
            why = SystemFailure("write failed at the trailer of", path.c_str());
    }
    return why;
}

// Each value the builder keeps only the start of, as embed's own builder
// would cut it without a word.
void WarnCuts(const EmbedInputs *in, const BuildSettings *b, const char *storedName)
{
    if (in->warnings == NULL)
        return;
    const char *pathKeys[] = {"PATH1=", "PATH2=", "PATH3="};
    for (int i = 0; i < 3; ++i) {
        if (b->pathCut[i])
            fprintf(in->warnings, "pubkit embed: warning: %s: the %s line is longer than %d "
                    "characters: the builder reads only its start, \"%s\"\n", in->buildFile,
                    pathKeys[i], kBuildLineSize - 1, i == 0 ? b->path1 : i == 1 ? b->path2 : b->path3);
    }
    size_t message = strlen(b->message), selfDelete = strlen(b->selfDelete);
    if (message > kEmbedMessageWidth)
        fprintf(in->warnings, "pubkit embed: warning: %s: MSG= value is %zu characters: the "
                "installer keeps its first %d, \"%.*s\"\n", in->buildFile, message,
                kEmbedMessageWidth, kEmbedMessageWidth, b->message);
    if (selfDelete > kEmbedSelfDeleteWidth)
        fprintf(in->warnings, "pubkit embed: warning: %s: DEL= value is %zu characters: the "
                "installer keeps its first %d, \"%.*s\"\n", in->buildFile, selfDelete,
                kEmbedSelfDeleteWidth, kEmbedSelfDeleteWidth, b->selfDelete);
    if (in->document != NULL) {
        // As the book stores it: in its code page.
        const char *slash = strrchr(in->document, '/');
        std::string stored;
        NameForBook(slash != NULL ? slash + 1 : in->document, &stored);
        size_t name = stored.size();
        if ((name < 3 ? name + 3 : name) > strlen(storedName))
            fprintf(in->warnings, "pubkit embed: warning: %s: the document's name is %zu "
                    "characters: the installer keeps %zu, \"%s\"\n", in->document, name,
                    strlen(storedName), ShownText(storedName).c_str());
    }
}

}  // namespace

const char *BuilderStoredName(const char *docPath, char *out, size_t cap)
{
    const char *base = strrchr(docPath, '/');
    std::string name;
    if (cap > 0)
        out[0] = '\0';
    const char *why = NameForBook(base != NULL ? base + 1 : docPath, &name);
    if (why != NULL)
        return why;
    // embed's builder sees its command line lower-cased by CharLowerA, which
    // goes through Unicode; "x\" is a backslash the name search sees.
    std::string lowered = "x\\" + LowerAsWindows(name);
    StoredDocumentName(lowered.c_str(), out, cap);
    return NULL;
}

const char *BuildEmbedInstallers(const EmbedInputs *in)
{
    BuildSettings b;
    memset(&b, 0, sizeof b);
    FILE *f = fopen(in->buildFile, "r");
    if (f == NULL)
        return SystemFailure("cannot read", in->buildFile);
    ReadBuildLines(f, &b);
    fclose(f);

    char storedName[kEmbedDocNameMax + 1] = "";
    const char *named = in->document != NULL
                            ? BuilderStoredName(in->document, storedName, sizeof storedName)
                            : NULL;
    if (named != NULL)
        return Fail("the document", named);

    // Every installer is made whole before any replaces a file: a failure
    // leaves all of them as they were.
    struct Plan {
        const char *value;
        int document, plugin;
    } plans[3];
    int count = 0;
    if (!IsNullPath(b.path1))
        plans[count++] = {b.path1, 1, 1};
    if (in->updateInstaller && !IsNullPath(b.path3))
        plans[count++] = {b.path3, 0, 0};
    if (in->pluginInstaller && !IsNullPath(b.path2))
        plans[count++] = {b.path2, 0, 1};
    WarnCuts(in, &b, storedName);
    Staged staged[3];
    for (Staged &st : staged) {
        memset(&st.out, 0, sizeof st.out);
        st.out.slot = -1;
    }
    int opened = 0;
    const char *why = NULL;
    for (int i = 0; i < count && why == NULL; ++i) {
        why = WriteInstaller(in, plans[i].value, &b, storedName, plans[i].document,
                             plans[i].plugin, &staged[i]);
        opened = i + 1;
    }
    if (why == NULL && OutputInterrupted())
        why = OutputInterruptedText();
    for (int i = 0; i < opened; ++i) {
        if (why == NULL)
            why = OutputCommit(&staged[i].out);
        else
            OutputDiscard(&staged[i].out);
        if (why == NULL && in->log != NULL)
            fprintf(in->log, "%s\n", staged[i].path.c_str());
    }
    return why;
}
