#include "main_window.h"

#include <stdio.h>
#include <stdlib.h>

#include "common/text.h"
#include "setup/bitmap/bitmap.h"
#include "setup/resource.h"
#include "dialogs.h"
#include "installation.h"
#include "state.h"
#include "wait.h"

static const char kClassName[] = "QUICKINST";

COLORREF ColourOf(const int32_t rgb[3])
{
    return RGB(rgb[0] & 0xFF, rgb[1] & 0xFF, rgb[2] & 0xFF);
}

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_DESTROY:
        // Closing the window ends setup like a confirmed cancel: the waits
        // swallow the quit message, but every loop and step sees the flag.
        gState.cancelled = 1;
        PostQuitMessage(0);
        return 0;
    case WM_SETFOCUS:
        SetFocus(gState.hDestDlg);
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int OpenMainWindow(void)
{
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = gState.hInstance;
    wc.hIcon = LoadIconA(gState.hInstance, MAKEINTRESOURCEA(IDI_SETUP));
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(ColourOf(gState.backdropRgb));
    wc.lpszClassName = kClassName;
    if (!RegisterClassA(&wc))
        return 0;

    char title[kPubNameSize];
    snprintf(title, sizeof title, "%s", gState.pubName);
    gState.hMainWnd = CreateWindowExA(0, kClassName, title, WS_OVERLAPPEDWINDOW,
                                      CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                      CW_USEDEFAULT, NULL, NULL, gState.hInstance, NULL);
    if (gState.hMainWnd == NULL)
        return 0;
    gState.hWndDC = GetDC(gState.hMainWnd);
    gState.hBitmapDC = GetDC(gState.hMainWnd);
    ShowWindow(gState.hMainWnd, SW_SHOWMAXIMIZED);
    return 1;
}

static int FileOpens(const char *name)
{
    FILE *f = fopen(name, "r");
    if (f == NULL)
        return 0;
    fclose(f);
    return 1;
}

int ReadBrandingSettings(void)
{
    if (FileOpens("tarnwsi.ini")) {
        // Found in the current directory, but read from beside the program.
        CopyText(gState.iniPath, sizeof gState.iniPath, gState.programDir);
        AppendText(gState.iniPath, sizeof gState.iniPath, "\\tarnwsi.ini");
        char number[100];
        GetPrivateProfileStringA("Tarnwick", "BMPFILE", "", gState.bmpFile,
                                 sizeof gState.bmpFile, gState.iniPath);
        GetPrivateProfileStringA("Tarnwick", "XPOS", "", number, sizeof number,
                                 gState.iniPath);
        gState.bmpX = atoi(number);
        GetPrivateProfileStringA("Tarnwick", "YPOS", "", number, sizeof number,
                                 gState.iniPath);
        gState.bmpY = atoi(number);
        GetPrivateProfileStringA("Tarnwick", "BMPFILE2", "", gState.bmpFile2,
                                 sizeof gState.bmpFile2, gState.iniPath);
        return 1;
    }
    if (FileOpens("Setup.bmp")) {
        CopyText(gState.bmpFile, sizeof gState.bmpFile, "Setup.bmp");
        gState.bmpX = 5;
        gState.bmpY = 5;
        return 1;
    }
    return 0;
}

void ShowBranding(void)
{
    if (!ReadBrandingSettings())
        return;
    BmpLoad(gState.hMainWnd);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(gState.hMainWnd, &ps);
    BmpPaint(gState.hMainWnd, dc, 35, 25);
    EndPaint(gState.hMainWnd, &ps);
    UpdateWindow(gState.hMainWnd);
    WaitSeconds(0.5);
}

void OpenDestinationDialog(void)
{
    ReleaseDC(gState.hMainWnd, gState.hWndDC);
    gState.hDestDlg = CreateDialogParamA(gState.hInstance,
                                         MAKEINTRESOURCEA(IDD_DESTINATION),
                                         gState.hMainWnd, DestinationDlgProc, 0);
    SetDlgItemTextA(gState.hDestDlg, IDC_EXPLAIN,
                    "Setup will install this application into the following "
                    "directory, which it will create on your hard disk.\r\r"
                    "If you want to install the application in a different "
                    "directory and/or drive, type that name below.");
    SetDlgItemTextA(gState.hDestDlg, IDC_LABEL, "Copy to:");
    SetDlgItemTextA(gState.hDestDlg, IDCANCEL, "Cancel");
    SetDlgItemTextA(gState.hDestDlg, IDOK, "OK");
}

void RunMainLoop(void)
{
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0 && !gState.cancelled) {
        if (gState.hDestDlg == NULL || !IsDialogMessageA(gState.hDestDlg, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}
