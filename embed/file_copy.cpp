#include "file_copy.h"

#include "output.h"
#include "state.h"

HANDLE OpenForReading(const char *path)
{
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
}

HANDLE CreateForWriting(const char *path)
{
    DeleteFileA(path);
    return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       CREATE_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
}

HANDLE OpenOwnFile()
{
    HANDLE f = OpenForReading(gEmbed.ownPath);
    if (f == INVALID_HANDLE_VALUE)
        Say("Error", MB_OK, "Cannot read: %s", gEmbed.ownPath);
    return f;
}

// The copy loop of both: a whole copy ends at the first short read, a range
// must also have reached its length by then.
static CopyResult Copy(HANDLE from, HANDLE to, int64_t length, int whole)
{
    int64_t total = 0;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(from, gEmbed.buffer, kCopyBufferSize, &got, NULL))
            return kCopyReadFailed;
        if (!whole && total + got > length)
            got = (DWORD)(length > total ? length - total : 0);
        total += got;
        DWORD written = 0;
        if (!WriteFile(to, gEmbed.buffer, got, &written, NULL) || written < got)
            return kCopyShortWrite;
        if (got < kCopyBufferSize)
            return whole || total == length ? kCopyDone : kCopyReadFailed;
    }
}

CopyResult CopyRange(HANDLE from, HANDLE to, int32_t length)
{
    return Copy(from, to, length, 0);
}

CopyResult CopyWhole(HANDLE from, HANDLE to)
{
    return Copy(from, to, 0, 1);
}
