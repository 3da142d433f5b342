#include "dialogs.h"

#include <direct.h>
#include <shlobj.h>

#include "../resource.h"
#include "alert.h"
#include "state.h"
#include "text.h"
#include "wait.h"

// One brush of the dialog colour for the program's life, instead of a new
// one for every colour message.
static HBRUSH DialogBrush(HWND deviceWnd)
{
    static HBRUSH brush;
    if (brush == NULL) {
        HDC dc = GetDC(deviceWnd);
        brush = CreateSolidBrush(GetNearestColor(dc, ColourOf(gState.dialogRgb)));
        ReleaseDC(deviceWnd, dc);
    }
    return brush;
}

void CreateDirectoryChain(char *path)
{
    for (size_t i = 3; path[i] != '\0'; ++i) {
        if (path[i] != '\\')
            continue;
        path[i] = '\0';
        CreateDirectoryA(path, NULL);
        path[i] = '\\';
    }
    CreateDirectoryA(path, NULL);
}

static void OnDestinationOk(HWND dlg)
{
    char typed[kDestDirSize - 1];  // at most 126 characters
    GetDlgItemTextA(dlg, IDC_EDIT, typed, sizeof typed);
    CopyText(gState.destDir, sizeof gState.destDir, typed);
    CopyText(gState.destDirTyped, sizeof gState.destDirTyped, typed);

    HourglassCursor();
    CreateDirectoryChain(gState.destDir);
    SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA, gState.destDir, NULL);
    UpperCase(gState.destDir);

    if (_chdrive(gState.destDir[0] - 64) != 0 || _chdir(gState.destDir) != 0) {
        ShowAlert(kAlertCannotCd);
        return;
    }
    ArrowCursor();
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

// TODO(extraction issue): the copy dialog, ExtractPayload, ExpandArchive,
// the licence and the installation script replace this stub.
void RunInstallation(void)
{
    PostQuitMessage(0);
}

// TODO(extraction issue): the readme dialog (107) replaces this stub; until
// then the readme counts as absent.
void ShowReadme(void)
{
    gState.accepted = 1;
}
