#include "directory.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <windows.h>

#include "common/pe_image.h"
#include "common/text.h"
#include "setup/shell/alert.h"
#include "setup/shell/output.h"
#include "setup/shell/state.h"
#include "package_keys.h"
#include "trailer.h"

static int32_t ReadOwnFile(void *ctx, int64_t offset, void *buf, uint32_t n)
{
    FILE *own = (FILE *)ctx;
    if (offset < 0 || offset > 0x7FFFFFFF || fseek(own, (long)offset, SEEK_SET) != 0)
        return -1;
    return (int32_t)fread(buf, 1, n, own);
}

// Reads the 512 bytes that end at end into the work buffer; returns the
// count read.
static size_t ReadRecordEndingAt(FILE *own, int64_t end)
{
    if (end < kTrailerSize || end > 0x7FFFFFFF ||
        fseek(own, (long)(end - kTrailerSize), SEEK_SET) != 0)
        return 0;
    return fread(gState.workBuf, 1, kTrailerSize, own);
}

// Where the program image ends in the own file; 0 when its headers cannot
// be read.
static int64_t OwnImageEnd(FILE *own, long size)
{
    unsigned char head[kPeHeadBytes];
    int32_t got = ReadOwnFile(own, 0, head, sizeof head);
    PeFacts facts;
    if (got <= 0 || ReadPeFacts(head, (size_t)got, size, &facts) != NULL)
        return 0;
    return facts.imageEnd;
}

int ReadPayloadDirectory(void)
{
    FILE *own = fopen(gState.ownPath, "rb");
    if (own == NULL) {
        ShowAlert(kAlertCannotReadSelf);
        return 0;
    }
    fseek(own, 0, SEEK_END);
    long size = ftell(own);
    // A signed package keeps its trailer in front of the signature and of
    // the zero bytes a signing tool pads with: the first place that ends in
    // a record with the marker and offsets that fit it is the one. An
    // unsigned file has one place, its end.
    int64_t ends[kPeMaxDataEnds];
    int count = PeDataEnds(ReadOwnFile, own, size < 0 ? 0 : size, ends);
    // The bare program ends in its own sections, whose bytes may happen to
    // start with the marker: a trailer lies behind the program image.
    int64_t imageEnd = OwnImageEnd(own, size);
    int chosen = 0;
    for (int i = 0; i < count; ++i) {
        PayloadSettings probe = {};
        if (ends[i] - kTrailerSize >= imageEnd && ReadRecordEndingAt(own, ends[i]) == kTrailerSize &&
            DecodePayloadTrailer(gState.workBuf, &probe) && PayloadOffsetsValid(&probe, ends[i])) {
            chosen = i;
            break;
        }
    }
    size_t got = ReadRecordEndingAt(own, ends[chosen]);
    if (got < (size_t)kTrailerSize) {
        // A read that failed (a bad sector, the disc taken out) says nothing
        // about the package: it is told as such.
        int failed = ferror(own);
        fclose(own);
        ShowAlert(failed ? kAlertCannotReadSelf : kAlertNotInitialised);
        return 0;
    }
    fclose(own);
    if (ends[chosen] - kTrailerSize < imageEnd)
        return BuildPackage();
    gState.payloadEnd = ends[chosen];

    PayloadSettings settings = {};
    settings.copyBarShade = gState.copyBarShade;
    settings.expandBarShade = gState.expandBarShade;
    if (!DecodePayloadTrailer(gState.workBuf, &settings))
        return BuildPackage();
    // Offsets that do not describe this file would have the extraction copy
    // garbage or a negative length: such a package is not initialised.
    if (!PayloadOffsetsValid(&settings, gState.payloadEnd)) {
        ShowAlert(kAlertNotInitialised);
        return 0;
    }

    CopyText(gState.destDir, sizeof gState.destDir, settings.destDir);
    CopyText(gState.pubName, sizeof gState.pubName, settings.pubName);
    gState.dunzipOffset = settings.dunzipOffset;
    gState.packOffset = settings.packOffset;
    for (int i = 0; i < 3; ++i) {
        gState.dialogRgb[i] = settings.dialogRgb[i];
        gState.backdropRgb[i] = settings.backdropRgb[i];
    }
    gState.installMode = settings.installMode;
    gState.copyBarShade = settings.copyBarShade;
    gState.expandBarShade = settings.expandBarShade;
    return 1;
}

// Appends one input file to out in 4,096-byte blocks. Returns 0 after
// telling the user; out stays open for the caller to close.
static int AppendInput(int out, const char *name, const char *readError)
{
    int in = _open(name, _O_RDONLY | _O_BINARY);
    if (in < 0) {
        Tell(readError, "", MB_OK, IDOK);
        return 0;
    }
    for (;;) {
        int got = _read(in, gState.workBuf, kWorkBufSize);
        if (got < 0)
            got = 0;
        if (_write(out, gState.workBuf, (unsigned)got) < got) {
            Tell("Disk Full", "", MB_OK, IDOK);
            _close(in);
            return 0;
        }
        if (got < kWorkBufSize)
            break;
    }
    _close(in);
    return 1;
}

int BuildPackage(void)
{
    char target[kPathSize];
    CopyText(target, sizeof target, gState.programDir);
    AppendText(target, sizeof target, "\\mtest.exe");
    // Appending only: mtest.exe must already be a copy of the bare program.
    int out = _open(target, _O_WRONLY | _O_APPEND | _O_BINARY);
    if (out < 0) {
        Tell("Cannot append", "", MB_OK, IDOK);
        return 0;
    }
    // A partly extended mtest.exe is left as it is on any failure.
    int32_t dunzipOffset = 0;
    int32_t packOffset = 0;
    FILE *script = NULL;
    if (!AppendInput(out, "METER.DLL", "Cannot read: Meter.DLL"))
        goto fail;
    dunzipOffset = (int32_t)_lseek(out, 0, SEEK_END);
    if (!AppendInput(out, "DUNZIP32.DLL", "Cannot read: DUNZIP32.DLL"))
        goto fail;
    packOffset = (int32_t)_lseek(out, 0, SEEK_END);
    if (!AppendInput(out, "PACK.BOX", "Cannot read: PACK.BOX"))
        goto fail;

    script = fopen("SETUP.INI", "rb");
    if (script == NULL) {
        Tell("Cannot read: SETUP.INI", "Error", MB_OK, IDOK);
        goto fail;
    }
    static PackageKeys keys;
    ReadPackageKeys(script, &keys);
    fclose(script);

    unsigned char trailer[kTrailerSize];
    EncodePayloadTrailer(trailer, keys.defaultDir, keys.pubName, dunzipOffset,
                         packOffset, keys.r1, keys.r2);
    // Without its trailer the file is no package; a full disk must say so.
    if (_write(out, trailer, kTrailerSize) != kTrailerSize)
        Tell("Disk Full", "", MB_OK, IDOK);
fail:
    _close(out);
    return 0;
}
