#include "builder.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "common/text.h"
#include "file_copy.h"
#include "output.h"
#include "state.h"
#include "trailer.h"

static const char kPluginName[] = "tarnw32.api";
static const char kTooLarge[] = "Cannot write: %s\nThe document or the installer is too large.";

// Appends the file at path to out. Returns 0 after telling the user; the
// output is then closed, and removed when a read failed, since a copy that
// stopped there is short without anyone seeing it.
static int AppendFile(HANDLE out, const char *outPath, const char *path)
{
    HANDLE in = OpenForReading(path);
    if (in == INVALID_HANDLE_VALUE) {
        Say("Error", MB_OK, "Cannot read: %s", path);
        CloseHandle(out);
        return 0;
    }
    CopyResult copied = CopyWhole(in, out);
    CloseHandle(in);
    if (copied == kCopyDone)
        return 1;
    CloseHandle(out);
    if (copied == kCopyReadFailed) {
        DeleteFileA(outPath);
        Say("Error", MB_OK, "Cannot read: %s", path);
    } else {
        Tell("Disk Full", "", MB_OK, IDOK);
    }
    return 0;
}

static int64_t SizeSoFar(HANDLE out)
{
    LARGE_INTEGER zero, at;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(out, zero, &at, FILE_CURRENT))
        return -1;
    return at.QuadPart;
}

// The two paths name the same file: the same full path, or (for files that
// exist) the same file under another name, such as a short name or a link.
static int SameFile(const char *a, const char *b)
{
    char fullA[MAX_PATH], fullB[MAX_PATH];
    DWORD na = GetFullPathNameA(a, sizeof fullA, fullA, NULL);
    DWORD nb = GetFullPathNameA(b, sizeof fullB, fullB, NULL);
    if (na > 0 && na < sizeof fullA && nb > 0 && nb < sizeof fullB && lstrcmpiA(fullA, fullB) == 0)
        return 1;
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE ha = CreateFileA(a, 0, share, NULL, OPEN_EXISTING, 0, NULL);
    if (ha == INVALID_HANDLE_VALUE)
        return 0;
    int same = 0;
    HANDLE hb = CreateFileA(b, 0, share, NULL, OPEN_EXISTING, 0, NULL);
    if (hb != INVALID_HANDLE_VALUE) {
        BY_HANDLE_FILE_INFORMATION ia, ib;
        same = GetFileInformationByHandle(ha, &ia) && GetFileInformationByHandle(hb, &ib) &&
               ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
               ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
        CloseHandle(hb);
    }
    CloseHandle(ha);
    return same;
}

// An output is deleted before the inputs are read: one that names an input
// (the program, the document, the plug-in, the build file) would destroy it.
static int NamesAnInput(const char *path)
{
    const char *inputs[] = {gEmbed.ownPath, gEmbed.docSource, gEmbed.pluginSource,
                            gEmbed.buildFilePath};
    for (const char *input : inputs) {
        if (input[0] != '\0' && SameFile(path, input))
            return 1;
    }
    return 0;
}

// Writes one installer: the own program, the cargo, the trailer. Returns 0
// when the output was abandoned. cut is set when tkbuild.txt held a longer
// path than the line buffer takes: only its start is known.
static int WriteInstaller(const char *path, int cut, int withDocument, int withPlugin)
{
    if (cut || NamesAnInput(path)) {
        Say("Error", MB_OK, "Cannot write: %s", path);
        return 0;
    }
    HANDLE out = CreateForWriting(path);
    if (out == INVALID_HANDLE_VALUE) {
        Say("Error", MB_OK, "Cannot write: %s", path);
        return 0;
    }
    int64_t docOffset = 0, plugOffset = 0;
    if (!AppendFile(out, path, gEmbed.ownPath))
        return 0;
    if (withDocument) {
        docOffset = SizeSoFar(out);
        if (!AppendFile(out, path, gEmbed.docSource))
            return 0;
    }
    if (withPlugin) {
        plugOffset = SizeSoFar(out);
        if (!AppendFile(out, path, gEmbed.pluginSource))
            return 0;
    }
    // The trailer holds D in nine digits, and the reader keeps P and the
    // plug-in length in 32 bits: a larger installer would be read wrongly.
    if (!EmbedOffsetsFit(docOffset, plugOffset, SizeSoFar(out))) {
        CloseHandle(out);
        DeleteFileA(path);
        Say("Error", MB_OK, kTooLarge, path);
        return 0;
    }
    unsigned char record[kEmbedTrailerSize];
    EncodeEmbedTrailer(record, (int32_t)docOffset, withDocument ? gEmbed.storedDocName : "",
                       (int32_t)plugOffset, withPlugin ? kPluginName : "", gEmbed.build.message,
                       gEmbed.build.selfDelete);
    DWORD written = 0;
    int ok = WriteFile(out, record, sizeof record, &written, NULL) && written == sizeof record;
    CloseHandle(out);
    if (!ok)
        Tell("Disk Full", "", MB_OK, IDOK);
    return ok;
}

int ReadBuildFile()
{
    int fits = snprintf(gEmbed.buildFilePath, sizeof gEmbed.buildFilePath, "%s\\tkbuild.txt",
                        gEmbed.ownDir) < (int)sizeof gEmbed.buildFilePath;
    FILE *f = fits ? fopen(gEmbed.buildFilePath, "rb") : NULL;
    if (f == NULL) {
        Tell("Cannot read: tkbuild.txt", "Error", MB_OK, IDOK);
        return 0;
    }
    ReadBuildLines(f, &gEmbed.build);
    fclose(f);
    return 1;
}

void BuildInstallers(const char *argument)
{
    char shown[kCommandSize];
    snprintf(shown, sizeof shown, "%s\\%s", gEmbed.ownDir, kPluginName);
    if (CopyText(gEmbed.pluginSource, sizeof gEmbed.pluginSource, shown) < strlen(shown)) {
        Say("Error", MB_OK, "Cannot read: %s", shown);
        return;
    }
    while (*argument == ' ')
        ++argument;
    size_t docLength = strcspn(argument, " ");
    CopyTextN(shown, sizeof shown, argument, docLength);
    if (CopyText(gEmbed.docSource, sizeof gEmbed.docSource, shown) < docLength) {
        Say("Error", MB_OK, "Cannot read: %s", shown);
        return;
    }
    StoredDocumentName(gEmbed.docSource, gEmbed.storedDocName, sizeof gEmbed.storedDocName);
    if (!ReadBuildFile())
        return;
    const BuildSettings &b = gEmbed.build;
    if (!IsNullPath(b.path1) && !WriteInstaller(b.path1, b.pathCut[0], 1, 1))
        return;
    if (gEmbed.wantUpdateInstaller && !IsNullPath(b.path3))
        WriteInstaller(b.path3, b.pathCut[2], 0, 0);
    if (gEmbed.wantPluginInstaller && !IsNullPath(b.path2))
        WriteInstaller(b.path2, b.pathCut[1], 0, 1);
}
