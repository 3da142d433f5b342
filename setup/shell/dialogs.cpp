#include "dialogs.h"

#include <direct.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include "setup/resource.h"
#include "common/text.h"
#include "alert.h"
#include "installation.h"
#include "output.h"
#include "state.h"
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

INT_PTR CALLBACK CopyProgressDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SHOWWINDOW:
        EnableWindow(GetDlgItem(dlg, IDCANCEL), TRUE);
        return 0;
    case WM_INITDIALOG:
        return 1;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORMSGBOX:
        return (INT_PTR)DialogBrush(gState.hMainWnd);
    case WM_CTLCOLORSTATIC:
        SetBkMode((HDC)wParam, TRANSPARENT);
        return (INT_PTR)DialogBrush(gState.hMainWnd);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)
            ShowAlert(kAlertConfirmCancel);  // the copy loops see cancelled
        return 1;
    }
    (void)lParam;
    return 0;
}

INT_PTR CALLBACK TextDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dlg, IDC_EDIT, gState.textBuf);
        return 1;
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORMSGBOX:
        return (INT_PTR)DialogBrush(dlg);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
        return (INT_PTR)GetStockObject(WHITE_BRUSH);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            // The loop of ShowText ends on this answer, not on a quit
            // message: a quit posted here could be taken by the cancel box's
            // loop or by whatever loop runs later, and end that instead.
            gState.accepted = 1;
            gState.textAnswered = 1;
            EndDialog(dlg, 1);  // hides it
            return 1;
        case IDCANCEL:
            gState.accepted = 0;
            ShowAlert(kAlertConfirmCancel);  // No leaves the dialog open
            return 1;
        }
        return 1;
    }
    (void)lParam;
    return 0;
}

// The colour replies of the status (103) and completion (105) dialogs.
static INT_PTR PlainDialogColour(UINT msg, WPARAM wParam)
{
    switch (msg) {
    case WM_CTLCOLORDLG:
        return (INT_PTR)DialogBrush(gState.hMainWnd);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
        SetBkMode((HDC)wParam, TRANSPARENT);
        return (INT_PTR)DialogBrush(gState.hMainWnd);
    }
    return 0;
}

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

// The readme and the licence: one dialog (107), two settings.
static void ShowText(const char *path, const char *buttonText)
{
    FILE *file = fopen(path, "rb");
    if (file == NULL) {
        gState.accepted = 1;
        return;
    }
    size_t got = fread(gState.textBuf, 1, sizeof gState.textBuf - 1, file);
    int unreadable = ferror(file);
    fclose(file);
    if (unreadable) {
        // A text that could not be read (a bad sector, the disc taken out) is
        // neither absent nor accepted, and never removed: the installation
        // stops.
        char text[kPathSize + 16];
        snprintf(text, sizeof text, "Cannot read: %s.", path);
        Tell(text, "Alert", MB_OK, IDOK);
        gState.accepted = 0;
        gState.cancelled = 1;
        PostQuitMessage(0);
        return;
    }
    gState.textBuf[got] = '\0';
    gState.textLen = (int32_t)strlen(gState.textBuf);
    if (gState.textLen < 10) {
        // Too short to be a real text: treated as absent (and removed, where
        // the medium allows).
        gState.accepted = 1;
        DeleteFileA(path);
        return;
    }

    gState.hTextDlg = CreateDialogParamA(gState.hInstance, MAKEINTRESOURCEA(IDD_TEXT),
                                         gState.hMainWnd, TextDlgProc, 0);
    SetDlgItemTextA(gState.hTextDlg, IDCANCEL, "Cancel");
    SetDlgItemTextA(gState.hTextDlg, IDOK, buttonText);
    SetDlgItemTextA(gState.hTextDlg, IDC_PRINT, "Print");
    ShowWindow(gState.hTextDlg, SW_SHOW);
    UpdateWindow(gState.hTextDlg);

    // Ends on the dialog's own answer, a confirmed cancel or a quit message
    // from elsewhere (the main window closed). Not on the dialog being
    // hidden: the system hides owned pop-ups while their owner is minimised.
    gState.accepted = 0;
    gState.textAnswered = 0;
    MSG msg;
    while (!gState.textAnswered && !gState.cancelled) {
        if (GetMessageA(&msg, NULL, 0, 0) <= 0) {
            // Someone else's quit: the program ends, and the loops around
            // this one must see it too.
            gState.cancelled = 1;
            break;
        }
        if (!IsDialogMessageA(gState.hTextDlg, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (gState.cancelled) {
        gState.accepted = 0;
        PostQuitMessage(0);
    }
}

void ShowReadme(void)
{
    // A silent run skips the readme.
    if (gState.silent) {
        gState.accepted = 1;
        return;
    }
    char path[kPathSize];
    CopyText(path, sizeof path, gState.programDir);
    AppendText(path, sizeof path, "\\readme1st.txt");
    ShowText(path, "Continue");
}

void ShowLicense(void)
{
    // /S is taken as accepting the licence, and the log says so.
    if (gState.silent) {
        gState.accepted = 1;
        if (GetFileAttributesA("LICENSE.TXT") != INVALID_FILE_ATTRIBUTES)
            LogShown("LICENSE.TXT accepted by /S");
        return;
    }
    ShowText("LICENSE.TXT", "Accept");
}
