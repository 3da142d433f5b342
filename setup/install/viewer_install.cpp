#include "viewer_install.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "setup/shell/output.h"
#include "setup/shell/state.h"
#include "setup/shell/wait.h"
#include "status.h"
#include "viewer_names.h"

namespace {

// The longest a silent run waits for the viewer's installer: its process
// and its windows together, on one clock.
const DWORD kSilentInstallerWaitMs = 900 * 1000;

// Milliseconds a silent run may still wait on the clock started at since;
// INFINITE for a shown run, which waits as long as the installer runs.
DWORD TimeLeft(DWORD since)
{
    if (!gState.silent)
        return INFINITE;
    DWORD elapsed = GetTickCount() - since;  // unsigned: survives one wrap
    return elapsed >= kSilentInstallerWaitMs ? 0 : kSilentInstallerWaitMs - elapsed;
}

struct InstallerCheck {
    const char *pattern;
    DWORD ownProcess;
    int found;
};

BOOL CALLBACK MatchInstallerWindow(HWND w, LPARAM param)
{
    InstallerCheck *check = (InstallerCheck *)param;
    // setup's own windows carry the publication name, which may well hold
    // "Reader" or "Setup": counting them would make the wait endless.
    DWORD process = 0;
    GetWindowThreadProcessId(w, &process);
    if (process == check->ownProcess)
        return TRUE;
    char title[kInstallerTitleRoom];
    memset(title, 0, sizeof title);
    GetWindowTextA(w, title, sizeof title);
    title[sizeof title - 1] = '\0';
    if (!InstallerTitleMatches(title, check->pattern))
        return TRUE;
    check->found = 1;
    SetStatus(title);
    return FALSE;
}

// One check: a second's pause, then the look through every top-level
// window, visible or hidden. Returns 1 when one matched.
int InstallerWindowsPresent(const char *pattern)
{
    InstallerCheck check = {pattern, GetCurrentProcessId(), 0};
    WaitSeconds(1);
    EnumWindows(MatchInstallerWindow, (LPARAM)&check);
    return check.found;
}

// Blocks until the process ends, serving only the messages other programs
// send to setup's windows meanwhile: an installer that broadcasts, or opens
// a DDE conversation (which starts with a message sent to every top-level
// window), would otherwise wait on setup while setup waits on it. Nothing
// posted is taken, so setup's own windows stay as they are until it ends.
// Returns 0 when a silent run's bound, counted from since, ran out first.
int WaitServingSentMessages(HANDLE process, DWORD since)
{
    for (;;) {
        DWORD timeout = TimeLeft(since);
        if (timeout == 0)
            return 0;
        DWORD woke = MsgWaitForMultipleObjects(1, &process, FALSE, timeout, QS_SENDMESSAGE);
        if (woke == WAIT_TIMEOUT)
            return 0;
        if (woke != WAIT_OBJECT_0 + 1)
            return 1;  // ended, or the wait itself failed
        MSG msg;
        PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

// A silent run waits for the installer only so long, then gives up on it.
void NoteInstallerTimeOut(void)
{
    if (!gState.timedOut)
        LogShown("Timed out waiting for the Acrobat installer.");
    gState.timedOut = 1;
}

void ReportInstallerNotStarted(DWORD error)
{
    char caption[64];
    snprintf(caption, sizeof caption, "WinExec Error  = %d", (int)error);
    Tell("Cannot install Acrobat Reader. Please download the Acrobat installer from "
         ACROBAT_DOWNLOAD_URL " then run this program again.",
         caption, MB_OK, IDOK);
    NoteStepFailedOn("Cannot start the Acrobat installer: %s", gState.script.installer);
    gState.acrobatInstallFailed = 1;
}

}  // namespace

void WaitForInstallerWindows(const char *pattern, double intervalSeconds, DWORD since)
{
    WaitSeconds(1);
    for (;;) {
        WaitSeconds(intervalSeconds);
        if (TimeLeft(since) == 0) {
            NoteInstallerTimeOut();
            break;
        }
        if (InstallerWindowsPresent(pattern))
            continue;
        WaitSeconds(intervalSeconds);
        if (!InstallerWindowsPresent(pattern))
            break;
    }
    ArrowCursor();
}

void InstallAcrobat(void)
{
    // One clock for the whole wait: the process, then its windows.
    const DWORD since = GetTickCount();
    PauseSeconds(1);  // lets the reader see the last status line
    SetStatus("Installing Adobe Acrobat. Please Wait...");

    const char *installer = gState.script.installer;
    const int bundled = IsBundledInstaller(installer);
    char curDir[kPathSize];
    DWORD curLen = GetCurrentDirectoryA(sizeof curDir, curDir);
    if (curLen == 0 || curLen >= sizeof curDir)
        curDir[0] = '\0';
    // Room for the directory and the value with quotes: a line cut to fit
    // could start some other program.
    char cmdLine[2 * kPathSize + 8];
    char bundledFile[kPathSize];
    if (!InstallerCommandLine(installer, curDir, gState.ownPath[0], cmdLine, sizeof cmdLine,
                              bundledFile, sizeof bundledFile) ||
        (bundled && curDir[0] == '\0')) {
        ReportInstallerNotStarted(ERROR_BAD_PATHNAME);
        return;
    }

    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(NULL, cmdLine, NULL, NULL, FALSE, bundled ? 0 : CREATE_NEW_PROCESS_GROUP,
                        NULL, NULL, &si, &pi)) {
        ReportInstallerNotStarted(GetLastError());
        return;
    }
    // The bundled installer is the whole installation; one from the setup
    // drive may hand over to processes of its own, so only its windows say
    // when it is done.
    int ended = 1;
    if (bundled)
        ended = WaitServingSentMessages(pi.hProcess, since);
    else
        WaitForSingleObject(pi.hProcess, 500);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (!ended) {
        NoteInstallerTimeOut();
        return;  // still running: its file is not deleted under it
    }

    WaitForInstallerWindows("Reader", 1, since);
    WaitSeconds(1);
    if (!gState.timedOut)
        WaitForInstallerWindows("Setup", 2, since);
    SetStatus("Validating...");
    PauseSeconds(1);
    if (bundled)
        DeleteFileA(bundledFile);
}
