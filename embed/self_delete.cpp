#include "self_delete.h"

#include <windows.h>
#include <stdio.h>

#include "file_copy.h"
#include "state.h"

enum { kDeleteAttempts = 1000, kDeletePauseMs = 1000 };

int SelfDelete()
{
    char temp[kEmbedPathSize];
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (n == 0 || n >= sizeof temp)
        return 0;
    char relay[kEmbedPathSize + 16];
    snprintf(relay, sizeof relay, "%s\\TEMP.EXE", temp);

    HANDLE from = OpenForReading(gEmbed.ownPath);
    if (from == INVALID_HANDLE_VALUE)
        return 0;
    HANDLE to = CreateFileA(relay, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (to == INVALID_HANDLE_VALUE) {
        CloseHandle(from);
        return 0;
    }
    CopyResult copied = CopyWhole(from, to);
    CloseHandle(from);
    CloseHandle(to);
    if (copied != kCopyDone)
        return 0;

    // Quoted, so a temporary directory or installer path with a blank stays
    // one argument; the deleter removes the quotes again.
    char command[2 * kEmbedPathSize + 32];
    snprintf(command, sizeof command, "\"%s\" \"%s\"", relay, gEmbed.ownPath);
    WinExec(command, SW_SHOW);
    return 1;
}

// Sleeps ms milliseconds waiting on the message queue. WinExec holds the
// installer until this process looks idle, and waiting on the queue is what
// says so; a plain Sleep would keep the installer from ending for 30 s.
static void IdleSleep(DWORD ms)
{
    DWORD start = GetTickCount();
    for (DWORD passed = 0; passed < ms; passed = GetTickCount() - start) {
        if (MsgWaitForMultipleObjects(0, NULL, FALSE, ms - passed, QS_ALLINPUT) == WAIT_TIMEOUT)
            return;
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE))
            ;
    }
}

void RunDeleter(const char *path)
{
    // The installer's file stays locked until its process has ended.
    for (int i = 0; i < kDeleteAttempts; ++i) {
        IdleSleep(kDeletePauseMs);
        if (DeleteFileA(path))
            return;
    }
}
