#include "find_acrobat.h"

#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>

#include "common/text.h"
#include "setup/shell/output.h"
#include "setup/shell/run_mode.h"
#include "setup/shell/state.h"
#include "setup/shell/wait.h"
#include "status.h"
#include "viewer_install.h"
#include "viewer_names.h"

void CheckSearchPlugin(const char *dir)
{
    char path[kPathSize];
    int length = snprintf(path, sizeof path, "%s\\PLUG_INS\\Asrch32.api", dir);
    // A path cut to fit would test some other file.
    FILE *f = length > 0 && length < (int)sizeof path ? fopen(path, "r") : NULL;
    gState.searchFound = f != NULL;
    if (f != NULL)
        fclose(f);
}

// Creates the probe file the association lookup needs, under a name no file
// has yet: a document of the user's own called XXX.PDF is neither truncated
// nor deleted. Returns 1 when probe names a file made here (to be deleted
// after the lookup), 0 when none could be made.
static int MakeProbe(char *probe, size_t cap)
{
    for (int i = 0; i < 10; ++i) {
        if (i == 0)
            snprintf(probe, cap, "XXX.PDF");
        else
            snprintf(probe, cap, "XXX%d.PDF", i);
        HANDLE h = CreateFileA(probe, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               NULL);
        if (h != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(h, " ", 1, &written, NULL);
            CloseHandle(h);
            return 1;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    snprintf(probe, cap, "XXX.PDF");
    return 0;
}

// Asks the shell which program opens the probe; fills result (zeroed
// first, so whatever follows the found path is defined). Returns the
// lookup's code; a path too long for the viewer fields counts as not found,
// since a cut one would name some other program.
static INT_PTR LookUpViewer(char *result, size_t cap)
{
    memset(result, 0, cap);
    char probe[16];
    int made = MakeProbe(probe, sizeof probe);
    INT_PTR code = made ? (INT_PTR)FindExecutableA(probe, gState.destDirTyped, result)
                        : SE_ERR_FNF;
    result[cap - 1] = '\0';
    if (made)
        DeleteFileA(probe);
    if (code > 32) {
        int slash = LastBackslash(result);
        size_t nameLength = slash >= 0 ? strlen(result + slash + 1) : 0;
        if (strlen(result) >= kPathSize || nameLength >= sizeof gState.acrobatExeName)
            code = SE_ERR_FNF;
    }
    return code;
}

void FindAcrobat(void)
{
    SetStatus("Finding Adobe Acrobat...");
    SetMeter(10);
    WaitSeconds(gState.stepDelay);

    char result[MAX_PATH];  // what the lookup may write
    INT_PTR code = LookUpViewer(result, sizeof result);
    char checkDir[kPathSize] = "";
    if (code > 32) {
        char name[sizeof gState.acrobatExeName];
        SplitViewerPath(result, checkDir, sizeof checkDir, name, sizeof name);
        CopyText(gState.acrobatExePath, sizeof gState.acrobatExePath, result);
        CopyText(gState.acrobatDir, sizeof gState.acrobatDir, checkDir);
        CopyText(gState.acrobatExeName, sizeof gState.acrobatExeName, name);
        ShownPathOf(result, sizeof result, gState.acrobatShownPath,
                    sizeof gState.acrobatShownPath);
    }

    if (IsSixteenBitViewer(gState.acrobatExeName)) {
        Tell("Cannot Install on this System.", "ERROR", MB_OK, IDOK);
        gState.acrobatUnsupported = 1;
        return;
    }
    if (IsVersion3Dir(checkDir)) {
        switch (Acro4OnlyAction(gState.script.acro4Only)) {
        case kAcro4Install:
            InstallAcrobat();
            break;
        case kAcro4Nothing:
            break;
        case kAcro4Ask:
            // Unattended, the viewer the user has is kept: no one agreed to
            // replace it.
            if (Tell("Acrobat version 3 was detected. Would you like to install "
                     "Acrobat version 4?",
                     "", MB_YESNO | MB_ICONQUESTION, IDNO) == IDYES)
                InstallAcrobat();
            break;
        }
    }
    if (InstallerNeedsSearch(gState.script.installer)) {
        gState.searchRequired = 1;
        SetStatus("Acrobat Reader with Search Required...");
        SetMeter(30);
    }
    SetMeter(30);
    WaitSeconds(gState.stepDelay);

    if (gState.searchRequired) {
        SetStatus("Finding Acrobat Search...");
        SetMeter(40);
        WaitSeconds(gState.stepDelay);
        CheckSearchPlugin(checkDir);
        SetStatus(gState.searchFound ? "Acrobat Search Found." : "Acrobat Search Not Found.");
        SetMeter(50);
        WaitSeconds(gState.stepDelay);
        if (!gState.searchFound)
            InstallAcrobat();
        return;
    }
    if (code <= 32) {
        SetStatus("Adobe Acrobat Not Found.");
        PauseSeconds(1);
        InstallAcrobat();
    }
}
