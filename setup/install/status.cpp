#include "status.h"

#include <windows.h>
#include <stdio.h>

#include "setup/payload/progress.h"
#include "setup/resource.h"
#include "setup/shell/output.h"
#include "setup/shell/state.h"
#include "common/text.h"

void SetStatus(const char *text)
{
    SetDlgItemTextA(gState.hStatusDlg, IDC_LABEL, text);
    LogShown(text);
}

void SetMeter(int position)
{
    PaintInstallBar(position, 100);
}

void NoteStepFailed(const char *text)
{
    if (!gState.stepFailed)
        CopyText(gState.failure, sizeof gState.failure, text);
    gState.stepFailed = 1;
    LogShown(text);
}

void NoteStepFailedOn(const char *format, const char *arg)
{
    char text[2 * kPathSize];
    snprintf(text, sizeof text, format, arg);
    NoteStepFailed(text);
}
