// The branded main window and the branding settings, in process.
#include <gtest/gtest.h>
#include <string.h>

#include "setup/shell/main_window.h"
#include "setup/shell/state.h"
#include "wine_test_util.h"

namespace {

INT_PTR CALLBACK NullDlgProc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

}  // namespace

// One test: the class can be registered once per process.
TEST(MainWindow, BrandedMaximisedAndHandsFocusToTheDestination)
{
    memset(&gState, 0, sizeof gState);
    gState.hInstance = GetModuleHandleA(NULL);
    strcpy(gState.pubName, "The Lighthouse Keeper");
    gState.backdropRgb[0] = 0x100;  // only the low 8 bits count
    gState.backdropRgb[1] = 64;
    gState.backdropRgb[2] = 0x180;
    ASSERT_EQ(1, OpenMainWindow());
    HWND w = gState.hMainWnd;

    char text[256] = "";
    GetWindowTextA(w, text, sizeof text);
    EXPECT_STREQ("The Lighthouse Keeper", text);
    GetClassNameA(w, text, sizeof text);
    EXPECT_STREQ("QUICKINST", text);
    EXPECT_TRUE(IsZoomed(w));
    EXPECT_EQ((LONG)WS_OVERLAPPEDWINDOW, GetWindowLongA(w, GWL_STYLE) & (LONG)WS_OVERLAPPEDWINDOW);
    EXPECT_TRUE(gState.hWndDC != NULL && gState.hBitmapDC != NULL);

    LOGBRUSH lb = {};
    GetObjectA((HBRUSH)GetClassLongPtrA(w, GCLP_HBRBACKGROUND), sizeof lb, &lb);
    EXPECT_EQ(RGB(0, 64, 0x80), lb.lbColor) << "backdrop colour " << std::hex << lb.lbColor;
    EXPECT_TRUE(GetClassLongPtrA(w, GCLP_HICON) != 0) << "icon 109";
    EXPECT_EQ((DWORD)(CS_HREDRAW | CS_VREDRAW), GetClassLongA(w, GCL_STYLE));

    // The main window passes the focus on to the destination dialog.
    HWND dlg = CreateDialogParamA(gState.hInstance, MAKEINTRESOURCEA(101), w, NullDlgProc, 0);
    ASSERT_TRUE(dlg != NULL);
    gState.hDestDlg = dlg;
    SendMessageA(w, WM_SETFOCUS, 0, 0);
    HWND focus = GetFocus();
    EXPECT_TRUE(focus == dlg || IsChild(dlg, focus)) << "focus went to " << focus;

    DrainQueue();
    DestroyWindow(w);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) << "destruction posts quit";
    EXPECT_EQ(0, (int)msg.wParam);
    gState.hMainWnd = NULL;
    gState.hDestDlg = NULL;
}

TEST(Branding, IniFoundHereIsReadFromBesideTheProgram)
{
    memset(&gState, 0, sizeof gState);
    std::string here = FreshDir("brand-cwd");
    std::string beside = FreshDir("brand-prog");
    WriteFileBytes(here + "\\tarnwsi.ini", "[Tarnwick]\r\nBMPFILE=wrong.bmp\r\nXPOS=1\r\n");
    WriteFileBytes(beside + "\\tarnwsi.ini",
                   "[Tarnwick]\r\nBMPFILE=cover.bmp\r\nXPOS=120px\r\nYPOS=x\r\nBMPFILE2=logo.bmp\r\n");
    strcpy(gState.programDir, beside.c_str());
    SetCurrentDirectoryA(here.c_str());
    ReadBrandingSettings();
    EXPECT_STREQ("cover.bmp", gState.bmpFile);
    EXPECT_EQ(120, gState.bmpX) << "digits up to the first non-digit";
    EXPECT_EQ(0, gState.bmpY);
    EXPECT_STREQ("logo.bmp", gState.bmpFile2);
    EXPECT_EQ(beside + "\\tarnwsi.ini", std::string(gState.iniPath));
}

TEST(Branding, SetupBmpFallbackAndNothing)
{
    memset(&gState, 0, sizeof gState);
    std::string here = FreshDir("brand-bmp");
    SetCurrentDirectoryA(here.c_str());
    EXPECT_EQ(0, ReadBrandingSettings());
    EXPECT_STREQ("", gState.bmpFile);

    WriteFileBytes(here + "\\Setup.bmp", "BM");
    EXPECT_EQ(1, ReadBrandingSettings());
    EXPECT_STREQ("Setup.bmp", gState.bmpFile);
    EXPECT_EQ(5, gState.bmpX);
    EXPECT_EQ(5, gState.bmpY);
}
