#include "installation.h"

#include <windows.h>
#include <direct.h>
#include <shlobj.h>
#include <string.h>

#include "common/switches.h"
#include "common/text.h"
#include "setup/install/sequence.h"
#include "setup/payload/expand.h"
#include "setup/payload/extract.h"
#include "setup/payload/progress.h"
#include "setup/resource.h"
#include "alert.h"
#include "dialog_colour.h"
#include "dialogs.h"
#include "exit_status.h"
#include "output.h"
#include "state.h"
#include "wait.h"

size_t CreateDirectoryChain(char *path)
{
    // The first three characters are a drive root at most; a shorter path
    // has no parent to make. Only backslashes of their own part folders:
    // the trail byte of 表 is none.
    size_t made = 0;
    size_t length = strlen(path);
    for (size_t i = 0; i < length; i += CharSize(path + i)) {
        if (i < 3 || path[i] != '\\' || CharSize(path + i) != 1)
            continue;
        path[i] = '\0';
        if (CreateDirectoryA(path, NULL) && made == 0)
            made = i;
        path[i] = '\\';
    }
    if (CreateDirectoryA(path, NULL) && made == 0)
        made = length;
    return made;
}

// The last backslash of its own in path before index limit; -1 for none.
static int LastBackslashBefore(const char *path, size_t limit)
{
    int last = -1;
    for (size_t i = 0; i < limit && path[i] != '\0'; i += CharSize(path + i)) {
        if (path[i] == '\\' && CharSize(path + i) == 1)
            last = (int)i;
    }
    return last;
}

void RemoveDirectoryChain(char *path, size_t made)
{
    if (made == 0)
        return;
    RemoveDirectoryA(path);
    for (int i = LastBackslashBefore(path, strlen(path)); i >= 0 && (size_t)i >= made;
         i = LastBackslashBefore(path, (size_t)i)) {
        path[i] = '\0';
        RemoveDirectoryA(path);
        path[i] = '\\';
    }
}

int EnterDestination(const char *typed)
{
    CopyText(gState.destDir, sizeof gState.destDir, typed);
    CopyText(gState.destDirTyped, sizeof gState.destDirTyped, typed);

    HourglassCursor();
    const size_t made = CreateDirectoryChain(gState.destDir);
    SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA, gState.destDir, NULL);
    UpperCase(gState.destDir);

    // Only a letter names a drive: anything else would hand the run-time a
    // drive number out of its range.
    const char letter = gState.destDir[0];
    if (letter < 'A' || letter > 'Z' || _chdrive(letter - 64) != 0 ||
        _chdir(gState.destDir) != 0) {
        // The folders made on the way to a destination that cannot be
        // entered would only be litter: they go again while still empty.
        char madePath[kDestDirSize];
        CopyText(madePath, sizeof madePath, gState.destDirTyped);
        RemoveDirectoryChain(madePath, made);
        ShowAlert(kAlertCannotCd);
        return 0;
    }
    ArrowCursor();
    return 1;
}

static void OnDestinationOk(HWND dlg)
{
    char typed[kDestDirSize - 1];  // at most 126 characters
    GetDlgItemTextA(dlg, IDC_EDIT, typed, sizeof typed);
    if (!EnterDestination(typed))
        return;
    EndDialog(dlg, 1);  // hides a modeless dialog
    RunInstallation();
}

INT_PTR CALLBACK DestinationDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dlg, IDC_EDIT, gState.destDir);
        return 1;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORMSGBOX:
        return (INT_PTR)DialogBrush(dlg);
    case WM_CTLCOLORSTATIC:
        SetBkMode((HDC)wParam, TRANSPARENT);
        return (INT_PTR)DialogBrush(dlg);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDCANCEL:
            EndDialog(dlg, 0);
            PostQuitMessage(0);
            return 1;
        case IDOK:
            OnDestinationOk(dlg);
            return 1;
        }
        return 1;
    }
    (void)lParam;
    return 0;
}

// The copy dialog's label, or the log's line in a silent run.
static void SetCopyLabel(const char *text)
{
    SetDlgItemTextA(gState.hCopyDlg, IDC_LABEL, text);
    UpdateWindow(gState.hCopyDlg);
    LogShown(text);
}

void RunInstallation(void)
{
    if (!gState.silent) {
        gState.hCopyDlg = CreateDialogParamA(gState.hInstance, MAKEINTRESOURCEA(IDD_COPY),
                                             gState.hMainWnd, CopyProgressDlgProc, 0);
        SetDlgItemTextA(gState.hCopyDlg, IDCANCEL, "Cancel");
        ShowWindow(gState.hCopyDlg, SW_SHOW);
    }
    SetCopyLabel("Copying Files...");

    ExtractPayload();
    WaitSeconds(0.75 * gState.stepDelay);
    PauseSeconds(1);
    // A copy that stopped (an alert, a confirmed cancel) expands nothing: the
    // log would end with a step that never ran.
    if (!gState.cancelled)
        SetCopyLabel("Uncompressing files...");
    PauseSeconds(1);
    PaintExpandBar(0, 100);
    // After a confirmed cancel the copied library may be partial: loading it
    // would only raise an alert the user did not ask for.
    if (!gState.cancelled)
        ExpandArchive();
    PauseSeconds(1);

    if (gState.hCopyDlg != NULL)
        DestroyWindow(gState.hCopyDlg);
    gState.hCopyDlg = NULL;
    DeleteFileA("ctl3dv2.dll");
    DeleteFileA("Dunzip32.dll");
    DeleteFileA("PACK.BOX");

    if (!gState.cancelled) {
        ShowLicense();
        if (gState.accepted == 1)
            RunInstallScript(gState.sourceDrive);
    }
    PostQuitMessage(0);
}

// The exit status of a silent installation that has ended: complete only
// when the final text says so and no step the script asked for failed.
static int SilentExitStatus(void)
{
    if (gState.timedOut)
        return kExitIncomplete;
    if (gState.finalText[0] == '\0')
        return kExitStopped;
    return !gState.stepFailed && strcmp(gState.finalText, "Installation is Complete.") == 0
               ? kExitComplete
               : kExitIncomplete;
}

int RunSilentInstallation(void)
{
    // What the destination dialog would have held: the package's default,
    // or the directory the command line names. A name too long for the
    // dialog would be cut to another directory, and one that is not a full
    // path would be made wherever the deployment tool happens to run: it
    // cannot be entered, and nothing is made.
    const char *dest = gState.destGiven ? gState.silentDest : gState.destDir;
    if (!gState.destWhole || strlen(dest) >= kDestDirSize || !IsFullDestination(dest)) {
        CopyTextN(gState.destDir, sizeof gState.destDir, dest, kDestDirSize - 1);
        UpperCase(gState.destDir);
        ShowAlert(kAlertCannotCd);
        return kExitStopped;
    }
    char typed[kDestDirSize];
    CopyText(typed, sizeof typed, dest);
    if (!EnterDestination(typed))
        return kExitStopped;
    RunInstallation();
    return SilentExitStatus();
}
