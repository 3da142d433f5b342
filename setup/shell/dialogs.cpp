#include "dialogs.h"

#include <stdio.h>
#include <string.h>

#include "common/text.h"
#include "setup/resource.h"
#include "alert.h"
#include "dialog_colour.h"
#include "output.h"
#include "state.h"
#include "wait.h"

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
