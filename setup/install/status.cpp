#include "status.h"

#include <windows.h>
#include <stdio.h>

#include "common/text.h"
#include "setup/payload/progress.h"
#include "setup/resource.h"
#include "setup/shell/dialog_colour.h"
#include "setup/shell/output.h"
#include "setup/shell/state.h"

INT_PTR CALLBACK InstallProgressDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_CLOSE:
    case WM_DESTROY:
        EndDialog(dlg, 1);
        return 1;
    case WM_INITDIALOG:
        return 1;
    }
    (void)lParam;
    return PlainDialogColour(msg, wParam);
}

INT_PTR CALLBACK FinishDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        return 1;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, 1);
            PostQuitMessage(0);
        }
        return 1;
    }
    (void)lParam;
    return PlainDialogColour(msg, wParam);
}

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
