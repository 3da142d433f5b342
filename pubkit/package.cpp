#include "package.h"

#include <ctype.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>

#include <string>

#include "embed/build_file.h"
#include "embed/trailer.h"
#include "setup/payload/package_keys.h"
#include "setup/payload/trailer.h"
#include "zip_writer.h"

namespace {

char gReason[700];

const char *Fail(const char *what, const char *name)
{
    snprintf(gReason, sizeof gReason, "%s: %s", what, name);
    return gReason;
}

// Appends a whole file through one 4096-byte buffer, as the builders do.
const char *Append(FILE *out, const char *path)
{
    FILE *in = fopen(path, "rb");
    if (in == NULL)
        return Fail("cannot read", path);
    unsigned char buf[4096];
    const char *why = NULL;
    for (;;) {
        size_t got = fread(buf, 1, sizeof buf, in);
        if (ferror(in)) {
            why = Fail("read failed", path);
            break;
        }
        if (got != 0 && fwrite(buf, 1, got, out) != got) {
            why = Fail("write failed (disk full?) appending", path);
            break;
        }
        if (got < sizeof buf)
            break;
    }
    fclose(in);
    return why;
}

// The output's size so far, as a trailer offset: the formats hold 32 bits.
const char *Offset(FILE *out, const char *what, int32_t *offset)
{
    long at = ftell(out);
    if (at < 0 || at > 0x7FFFFFFFL)
        return Fail("too large for the trailer's offsets at", what);
    *offset = (int32_t)at;
    return NULL;
}

int IsFolder(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

const char *Finish(FILE *out, const char *path, const char *why)
{
    if (fclose(out) != 0 && why == NULL)
        why = Fail("write failed (disk full?) closing", path);
    if (why != NULL)
        remove(path);
    return why;
}

}  // namespace

const char *PackSetup(const PackInputs *in)
{
    PackageKeys keys;
    FILE *ini = fopen(in->ini, "r");
    if (ini == NULL)
        return Fail("cannot read", in->ini);
    ReadPackageKeys(ini, &keys);
    fclose(ini);

    FILE *out = fopen(in->output, "w+b");
    if (out == NULL)
        return Fail("cannot write", in->output);
    int32_t dunzipOffset = 0, packOffset = 0;
    const char *why = Append(out, in->setupImage);
    if (why == NULL)
        why = Append(out, in->meter);
    if (why == NULL)
        why = Offset(out, "DUNZIP32.DLL", &dunzipOffset);
    if (why == NULL)
        why = Append(out, in->dunzip);
    if (why == NULL)
        why = Offset(out, "PACK.BOX", &packOffset);
    if (why == NULL)
        why = IsFolder(in->pack) ? WriteFolderZip(in->pack, out, NULL) : Append(out, in->pack);
    if (why == NULL) {
        int32_t end;
        why = Offset(out, "the trailer", &end);
    }
    if (why == NULL) {
        unsigned char record[kTrailerSize];
        EncodePayloadTrailer(record, keys.defaultDir, keys.pubName, dunzipOffset, packOffset,
                             keys.r1, keys.r2);
        if (fwrite(record, 1, sizeof record, out) != sizeof record)
            why = Fail("write failed (disk full?) at the trailer of", in->output);
    }
    return Finish(out, in->output, why);
}

namespace {

// PATHn names a Windows path; the output goes into outDir under its last
// component.
std::string OutputPath(const EmbedInputs *in, const char *value)
{
    const char *name = value;
    for (const char *p = value; *p; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    return std::string(in->outDir) + "/" + name;
}

const char *WriteInstaller(const EmbedInputs *in, const char *value, const BuildSettings *b,
                           const char *storedName, int withDocument, int withPlugin)
{
    std::string path = OutputPath(in, value);
    if (path.back() == '/')
        return Fail("no file name in", value);
    if (withDocument && in->document == NULL)
        return Fail("no document given (--doc) for the document installer", value);
    if (withPlugin && in->plugin == NULL)
        return Fail("no plug-in given (--plugin) for the installer", value);
    for (const char *input : {in->image, in->document, in->plugin}) {
        if (input != NULL && path == input)
            return Fail("an output would overwrite its own input", input);
    }
    FILE *out = fopen(path.c_str(), "wb");
    if (out == NULL)
        return Fail("cannot write", path.c_str());
    int32_t docOffset = 0, plugOffset = 0;
    const char *why = Append(out, in->image);
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
        if (fwrite(record, 1, sizeof record, out) != sizeof record)
            why = Fail("write failed (disk full?) at the trailer of", path.c_str());
    }
    why = Finish(out, path.c_str(), why);
    if (why == NULL && in->log != NULL)
        fprintf(in->log, "%s\n", path.c_str());
    return why;
}

}  // namespace

void BuilderStoredName(const char *docPath, char *out, size_t cap)
{
    std::string lowered = "x\\";  // a backslash the name search sees
    const char *base = strrchr(docPath, '/');
    for (const char *p = base != NULL ? base + 1 : docPath; *p; ++p)
        lowered += (char)tolower((unsigned char)*p);
    StoredDocumentName(lowered.c_str(), out, cap);
}

const char *BuildEmbedInstallers(const EmbedInputs *in)
{
    BuildSettings b;
    memset(&b, 0, sizeof b);
    FILE *f = fopen(in->buildFile, "r");
    if (f == NULL)
        return Fail("cannot read", in->buildFile);
    ReadBuildLines(f, &b);
    fclose(f);

    char storedName[kEmbedDocNameMax + 1] = "";
    if (in->document != NULL)
        BuilderStoredName(in->document, storedName, sizeof storedName);

    const char *why = NULL;
    if (!IsNullPath(b.path1) && (why = WriteInstaller(in, b.path1, &b, storedName, 1, 1)) != NULL)
        return why;
    if (in->updateInstaller && !IsNullPath(b.path3))
        why = WriteInstaller(in, b.path3, &b, storedName, 0, 0);
    if (in->pluginInstaller && !IsNullPath(b.path2)) {
        const char *second = WriteInstaller(in, b.path2, &b, storedName, 0, 1);
        why = why != NULL ? why : second;
    }
    return why;
}
