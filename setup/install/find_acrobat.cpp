#include "find_acrobat.h"

#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>

#include "../shell/state.h"
#include "../shell/text.h"
#include "../shell/wait.h"
#include "sequence.h"
#include "viewer_install.h"
#include "viewer_names.h"

void CheckSearchPlugin(const char *dir)
{
    char path[kPathSize];
    snprintf(path, sizeof path, "%s\\PLUG_INS\\Asrch32.api", dir);
    FILE *f = fopen(path, "r");
    gState.searchFound = f != NULL;
    if (f != NULL)
        fclose(f);
}

// Asks the shell which program opens "XXX.pdf"; fills result (zeroed first,
// so whatever follows the found path is defined). Returns the lookup's code.
static INT_PTR LookUpViewer(char *result, size_t cap)
{
    memset(result, 0, cap);
    FILE *probe = fopen("XXX.PDF", "w");
    if (probe != NULL) {
        fputc(' ', probe);
        fclose(probe);
    }
    INT_PTR code = (INT_PTR)FindExecutableA("XXX.pdf", gState.destDirTyped, result);
    result[cap - 1] = '\0';
    DeleteFileA("XXX.PDF");
    return code;
}

void FindAcrobat(void)
{
    SetStatus("Finding Adobe Acrobat...");
    SetMeter(10);
    WaitSeconds(gState.stepDelay);

    char result[kPathSize];
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
        MessageBoxA(NULL, "Cannot Install on this System.", "ERROR", MB_OK);
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
            if (MessageBoxA(NULL,
                            "Acrobat version 3 was detected. Would you like to install "
                            "Acrobat version 4?",
                            "", MB_YESNO | MB_ICONQUESTION) == IDYES)
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
        WaitSeconds(1);
        InstallAcrobat();
    }
}
