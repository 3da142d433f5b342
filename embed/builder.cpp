#include "builder.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "../common/text.h"
#include "file_copy.h"
#include "state.h"
#include "trailer.h"

static const char kPluginName[] = "tarnw32.api";

// Appends the file at path to out. Returns 0 after telling the user; the
// output is then closed and left as written so far.
static int AppendFile(HANDLE out, const char *path)
{
    HANDLE in = OpenForReading(path);
    if (in == INVALID_HANDLE_VALUE) {
        Say("Error", MB_OK, "Cannot read: %s", path);
        CloseHandle(out);
        return 0;
    }
    CopyResult copied = CopyWhole(in, out);
    CloseHandle(in);
    if (copied != kCopyDone) {
        MessageBoxA(NULL, "Disk Full", "", MB_OK);
        CloseHandle(out);
        return 0;
    }
    return 1;
}

static int32_t SizeSoFar(HANDLE out)
{
    return (int32_t)SetFilePointer(out, 0, NULL, FILE_CURRENT);
}

// Writes one installer: the own program, the cargo, the trailer. Returns 0
// when the output was abandoned.
static int WriteInstaller(const char *path, int withDocument, int withPlugin)
{
    HANDLE out = CreateForWriting(path);
    if (out == INVALID_HANDLE_VALUE) {
        Say("Error", MB_OK, "Cannot write: %s", path);
        return 0;
    }
    int32_t docOffset = 0, plugOffset = 0;
    if (!AppendFile(out, gEmbed.ownPath))
        return 0;
    if (withDocument) {
        docOffset = SizeSoFar(out);
        if (!AppendFile(out, gEmbed.docSource))
            return 0;
    }
    if (withPlugin) {
        plugOffset = SizeSoFar(out);
        if (!AppendFile(out, gEmbed.pluginSource))
            return 0;
    }
    unsigned char record[kEmbedTrailerSize];
    EncodeEmbedTrailer(record, docOffset, withDocument ? gEmbed.storedDocName : "", plugOffset,
                       withPlugin ? kPluginName : "", gEmbed.build.message,
                       gEmbed.build.selfDelete);
    DWORD written = 0;
    int ok = WriteFile(out, record, sizeof record, &written, NULL) && written == sizeof record;
    CloseHandle(out);
    if (!ok)
        MessageBoxA(NULL, "Disk Full", "", MB_OK);
    return ok;
}

int ReadBuildFile()
{
    char path[kEmbedPathSize];
    snprintf(path, sizeof path, "%s\\tkbuild.txt", gEmbed.ownDir);
    FILE *f = fopen(path, "r");
    if (f == NULL) {
        MessageBoxA(NULL, "Cannot read: tkbuild.txt", "Error", MB_OK);
        return 0;
    }
    ReadBuildLines(f, &gEmbed.build);
    fclose(f);
    return 1;
}

void BuildInstallers(const char *argument)
{
    snprintf(gEmbed.pluginSource, sizeof gEmbed.pluginSource, "%s\\%s", gEmbed.ownDir,
             kPluginName);
    while (*argument == ' ')
        ++argument;
    CopyTextN(gEmbed.docSource, sizeof gEmbed.docSource, argument, strcspn(argument, " "));
    StoredDocumentName(gEmbed.docSource, gEmbed.storedDocName, sizeof gEmbed.storedDocName);
    if (!ReadBuildFile())
        return;
    const BuildSettings &b = gEmbed.build;
    if (!IsNullPath(b.path1) && !WriteInstaller(b.path1, 1, 1))
        return;
    if (gEmbed.wantUpdateInstaller && !IsNullPath(b.path3))
        WriteInstaller(b.path3, 0, 0);
    if (gEmbed.wantPluginInstaller && !IsNullPath(b.path2))
        WriteInstaller(b.path2, 0, 1);
}
