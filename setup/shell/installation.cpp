#include "installation.h"

#include <windows.h>
#include <string.h>

#include "setup/install/sequence.h"
#include "setup/payload/expand.h"
#include "setup/payload/extract.h"
#include "setup/payload/progress.h"
#include "setup/resource.h"
#include "common/switches.h"
#include "common/text.h"
#include "alert.h"
#include "dialogs.h"
#include "output.h"
#include "state.h"
#include "wait.h"

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
