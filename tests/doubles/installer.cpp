// A stand-in for the viewer's installer, for setup's scenarios:
//
//   VWINST.EXE [-broadcast] [SHOW_MS [TITLE]]
//
// It shows a top-level window titled TITLE (default "Acrobat Reader 4.0
// Setup") for SHOW_MS milliseconds (default 3000) and, before the window
// goes, installs the viewer as a real installer would. With -broadcast it
// then tells every top-level window that the environment changed, as
// installers do, giving each 5 seconds to answer. The viewer install: the viewer double
// that travels beside it as "AcroRd32.ex_" becomes AcroRd32.exe in
// "C:\Program Files\Adobe\Acrobat 4.0\Reader" (with a PLUG_INS folder), and
// the registry gets the .pdf association and the App Paths entry. Without
// its payload it installs nothing (an installer that failed).
//
// It appends what it did to install.log in that folder, one line each:
//   started <command line>
//   directory <current directory>
//   installed <viewer path>        (or "no payload")
//   broadcast                      (with -broadcast)
//   unanswered <window title>      (each window that did not answer)
//   ended
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "double_common.h"

namespace {

const char kTargetRoot[] = "C:\\Program Files\\Adobe";
const char kTargetVendor[] = "C:\\Program Files\\Adobe\\Acrobat 4.0";
const char kTarget[] = "C:\\Program Files\\Adobe\\Acrobat 4.0\\Reader";
const char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\AcroRd32.exe";
const UINT_PTR kShowTimer = 1;

std::string gPayload;
bool gBroadcast;
const UINT kAnswerMs = 5000;

void Log(const std::string &line)
{
    AppendLineTo(std::string(kTarget) + "\\install.log", line);
}

void SetDefault(HKEY root, const char *subKey, const char *name, const std::string &value)
{
    HKEY key;
    if (RegCreateKeyExA(root, subKey, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value.c_str(), (DWORD)value.size() + 1);
    RegCloseKey(key);
}

void Install()
{
    if (GetFileAttributesA(gPayload.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Log("no payload");
        return;
    }
    std::string exe = std::string(kTarget) + "\\AcroRd32.exe";
    CreateDirectoryA((std::string(kTarget) + "\\PLUG_INS").c_str(), NULL);
    if (!CopyFileA(gPayload.c_str(), exe.c_str(), FALSE)) {
        Log("copy failed");
        return;
    }
    SetDefault(HKEY_LOCAL_MACHINE, kAppPaths, NULL, exe);
    SetDefault(HKEY_LOCAL_MACHINE, kAppPaths, "Path", kTarget);
    SetDefault(HKEY_CLASSES_ROOT, ".pdf", NULL, "AcroExch.Document");
    SetDefault(HKEY_CLASSES_ROOT, "AcroExch.Document", NULL, "Adobe Acrobat Document");
    SetDefault(HKEY_CLASSES_ROOT, "AcroExch.Document\\shell\\open\\command", NULL,
               "\"" + exe + "\" \"%1\"");
    Log("installed " + exe);
}

// Sent one window at a time, so that each one that does not answer is known.
BOOL CALLBACK TellWindow(HWND w, LPARAM)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(w, WM_SETTINGCHANGE, 0, (LPARAM) "Environment", SMTO_NORMAL,
                             kAnswerMs, &result)) {
        char title[128] = "";
        GetWindowTextA(w, title, sizeof title);
        Log(std::string("unanswered ") + title);
    }
    return TRUE;
}

LRESULT CALLBACK InstallerProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_TIMER:
        KillTimer(w, kShowTimer);
        Install();
        if (gBroadcast) {
            Log("broadcast");
            EnumWindows(TellWindow, 0);
        }
        DestroyWindow(w);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    CreateDirectoryA(kTargetRoot, NULL);
    CreateDirectoryA(kTargetVendor, NULL);
    CreateDirectoryA(kTarget, NULL);
    Log(std::string("started ") + GetCommandLineA());
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);
    Log(std::string("directory ") + cwd);

    char own[MAX_PATH] = "";
    GetModuleFileNameA(NULL, own, sizeof own);
    gPayload = own;
    gPayload = gPayload.substr(0, gPayload.find_last_of('\\') + 1) + "AcroRd32.ex_";

    std::string argText = CommandArguments();
    const char *args = argText.c_str();
    if (strncmp(args, "-broadcast", 10) == 0) {
        gBroadcast = true;
        args += 10;
    }
    char *rest = NULL;
    long showMs = strtol(args, &rest, 10);
    if (rest == args || showMs < 0)
        showMs = 3000;
    while (*rest == ' ')
        ++rest;
    std::string title = *rest ? rest : "Acrobat Reader 4.0 Setup";

    WNDCLASSA wc = {};
    wc.lpfnWndProc = InstallerProc;
    wc.hInstance = instance;
    wc.hbrBackground = (HBRUSH)GetStockObject(LTGRAY_BRUSH);
    wc.lpszClassName = "InstallerDouble";
    RegisterClassA(&wc);
    HWND w = CreateWindowA("InstallerDouble", title.c_str(), WS_OVERLAPPEDWINDOW, 80, 80, 420,
                           240, NULL, NULL, instance, NULL);
    ShowWindow(w, SW_SHOW);
    SetTimer(w, kShowTimer, (UINT)showMs, NULL);

    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Log("ended");
    return 0;
}
