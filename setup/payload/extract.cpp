#include "extract.h"

#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <sys/stat.h>

#include "common/text.h"
#include "setup/shell/alert.h"
#include "setup/shell/state.h"
#include "setup/shell/wait.h"
#include "pacing.h"
#include "progress.h"
#include "trailer.h"

// Progress of the two copies, in hundredths of a block.
struct CopyProgress {
    int32_t count;   // grows by kCopyBlockCount (100) per full block
    int32_t blocks;  // (payload size / 4,096) + 1: the bar's scale
};

static int CreateTarget(const char *name)
{
    char path[kPathSize];
    CopyText(path, sizeof path, gState.destDir);
    AppendText(path, sizeof path, name);
    remove(path);
    return _open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
}

enum { kCopyDone, kCopyReadFailed, kCopyWriteFailed };

// Copies length bytes from the source's current position to target through
// the work buffer. After each full block the bar advances and cancelled is
// checked; a block shorter than 4,096 bytes (for a length that is a
// multiple of 4,096, an empty one) ends the copy. Never reads past the
// region: its length was checked against the file at start-up.
// The pauses pace the bar, so a block takes its pause (before its read or
// after it) only when it moves the bar; on a scale of up to 100 blocks that
// is every block. The dialog's messages are served after every block all
// the same, so Cancel is answered as soon as when every block paused.
static int CopyRegion(int source, int target, int32_t length, double waitBeforeRead,
                      double waitAfterBlock, int endsPayload, CopyProgress *progress)
{
    const int paced = waitBeforeRead > 0 || waitAfterBlock > 0;
    int32_t left = length;
    for (;;) {
        unsigned want = left < kWorkBufSize ? (unsigned)left : (unsigned)kWorkBufSize;
        int full = want == (unsigned)kWorkBufSize;
        int pauses = CopyBlockPauses(progress->count, progress->blocks, full, endsPayload);
        if (waitBeforeRead > 0 && pauses)
            WaitSeconds(waitBeforeRead);
        int got = _read(source, gState.workBuf, want);
        if (got < 0 || (unsigned)got != want)
            return kCopyReadFailed;  // the own file shrank under us
        if (_write(target, gState.workBuf, want) != got)
            return kCopyWriteFailed;
        left -= got;
        if (!full)
            return kCopyDone;
        progress->count += kCopyBlockCount;
        if (waitAfterBlock > 0 && pauses)
            WaitSeconds(waitAfterBlock);
        else if (paced)
            PumpMessages();
        PaintCopyBar(CopyBarPosition(progress->count, progress->blocks), 100);
        if (gState.cancelled)
            return kCopyDone;
    }
}

// The whole own file as UNINSTAL.EXE: the uninstaller is setup itself with
// its payload, so it is copied to the own file's length. A read can come
// back short with more to follow (a drive returns what it read before a
// sector it could not), so only a failed read, or none where the file
// should go on (the disc taken out), ends the copy early. An uninstaller cut
// short would stay behind as one that cannot run: it is removed, and the
// installation stops with the alert of the other copies. Returns 1 when the
// copy is whole, 0 after telling the user.
static int WriteUninstaller(void)
{
    int source = _open(gState.ownPath, _O_RDONLY | _O_BINARY);
    int64_t size = source < 0 ? -1 : _lseeki64(source, 0, SEEK_END);
    if (size < 0 || _lseeki64(source, 0, SEEK_SET) != 0) {
        if (source >= 0)
            _close(source);
        ShowAlert(kAlertCannotReadSelf);
        return 0;
    }
    char path[kPathSize];
    CopyText(path, sizeof path, gState.destDir);
    AppendText(path, sizeof path, "\\UNINSTAL.EXE");
    int target = _open(path, _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY, _S_IREAD | _S_IWRITE);
    int alert = target < 0 ? kAlertCannotWrite : 0;
    for (int64_t copied = 0; copied < size && alert == 0;) {
        int64_t left = size - copied;
        unsigned want = left < kWorkBufSize ? (unsigned)left : (unsigned)kWorkBufSize;
        int got = _read(source, gState.workBuf, want);
        if (got <= 0)
            alert = kAlertCannotReadSelf;
        else if (_write(target, gState.workBuf, (unsigned)got) != got)
            alert = kAlertCannotWrite;
        else
            copied += got;
    }
    if (alert == 0)
        WaitSeconds(0.25 * gState.stepDelay);
    _close(source);
    if (target >= 0)
        _close(target);
    if (alert == 0)
        return 1;
    if (target >= 0)
        remove(path);
    ShowAlert(alert);
    return 0;
}

static int Fail(int source, int target, int alert)
{
    if (target >= 0)
        _close(target);
    _close(source);
    ShowAlert(alert);
    return 0;
}

int ExtractPayload(void)
{
    int source = _open(gState.ownPath, _O_RDONLY | _O_BINARY);
    if (source < 0) {
        ShowAlert(kAlertCannotReadSelf);
        return 0;
    }
    long size = _lseek(source, 0, SEEK_END);
    // A signed package's payload ends where its signature begins.
    if (gState.payloadEnd > 0 && gState.payloadEnd < size)
        size = (long)gState.payloadEnd;
    // Checked at start-up already; the file could have changed since, and a
    // negative or oversized length must never reach the copy.
    int32_t dunzipLength = gState.packOffset - gState.dunzipOffset;
    int64_t packLength = (int64_t)size - kTrailerSize - gState.packOffset;
    if (size < kTrailerSize || gState.dunzipOffset < 0 || dunzipLength < 0 || packLength < 0)
        return Fail(source, -1, kAlertCannotReadSelf);
    CopyProgress progress = {0, (int32_t)((size - kTrailerSize) / kWorkBufSize + 1)};

    _lseek(source, gState.dunzipOffset, SEEK_SET);
    int target = CreateTarget("\\DUNZIP32.DLL");
    if (target < 0)
        return Fail(source, -1, kAlertCannotWrite);
    if (!gState.cancelled) {
        int rc = CopyRegion(source, target, dunzipLength, 0, 0.5 * gState.stepDelay, 0, &progress);
        if (rc != kCopyDone)
            return Fail(source, target, rc == kCopyReadFailed ? kAlertCannotReadSelf : kAlertCannotWrite);
    }
    _close(target);

    _lseek(source, gState.packOffset, SEEK_SET);
    target = CreateTarget("\\PACK.BOX");
    if (target < 0)
        return Fail(source, -1, kAlertCannotWrite);
    if (!gState.cancelled) {
        int rc = CopyRegion(source, target, (int32_t)packLength, 0.25 * gState.stepDelay, 0, 1,
                            &progress);
        if (rc != kCopyDone)
            return Fail(source, target, rc == kCopyReadFailed ? kAlertCannotReadSelf : kAlertCannotWrite);
    }
    PaintCopyBar(100, 100);
    _close(source);
    _close(target);

    return WriteUninstaller();
}
