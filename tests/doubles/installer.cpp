// The installer: a stand-in for the viewer's installer, for setup's scenarios:
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
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "double_common.h"

namespace {

const char kTargetRoot[] = "C:\\Program Files\\Adobe";
const char kTargetVendor[] = "C:\\Program Files\\Adobe\\Acrobat 4.0";
const char kTarget[] = "C:\\Program Files\\Adobe\\Acrobat 4.0\\Reader";
const char kLog[] = "C:\\Program Files\\Adobe\\Acrobat 4.0\\Reader\\install.log";
const char kViewer[] = "C:\\Program Files\\Adobe\\Acrobat 4.0\\Reader\\AcroRd32.exe";
const char kPlugIns[] = "C:\\Program Files\\Adobe\\Acrobat 4.0\\Reader\\PLUG_INS";
const char kAppPaths[] = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\AcroRd32.exe";
const UINT_PTR kShowTimer = 1;
const UINT kAnswerMs = 5000;

bool gBroadcast;

void Log(const char *head, const char *text)
{
    AppendLineTo(kLog, head, text, strlen(text));
}

void SetDefault(HKEY root, const char *subKey, const char *name, const char *value)
{
    HKEY key;
    if (RegCreateKeyExA(root, subKey, 0, NULL, 0, KEY_WRITE, NULL, &key, NULL) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value, (DWORD)strlen(value) + 1);
    RegCloseKey(key);
}

void Install()
{
    char payload[MAX_PATH];
    if (!PathBeside("AcroRd32.ex_", payload, sizeof payload) || !Exists(payload)) {
        Log("no payload", "");
        return;
    }
    CreateDirectoryA(kPlugIns, NULL);
    if (!CopyFileA(payload, kViewer, FALSE)) {
        Log("copy failed", "");
        return;
    }
    char command[MAX_PATH + 8];
    snprintf(command, sizeof command, "\"%s\" \"%%1\"", kViewer);
    SetDefault(HKEY_LOCAL_MACHINE, kAppPaths, NULL, kViewer);
    SetDefault(HKEY_LOCAL_MACHINE, kAppPaths, "Path", kTarget);
    SetDefault(HKEY_CLASSES_ROOT, ".pdf", NULL, "AcroExch.Document");
    SetDefault(HKEY_CLASSES_ROOT, "AcroExch.Document", NULL, "Adobe Acrobat Document");
    SetDefault(HKEY_CLASSES_ROOT, "AcroExch.Document\\shell\\open\\command", NULL, command);
    Log("installed ", kViewer);
}

// Sent one window at a time, so that each one that does not answer is known.
BOOL CALLBACK TellWindow(HWND w, LPARAM)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(w, WM_SETTINGCHANGE, 0, (LPARAM) "Environment", SMTO_NORMAL,
                             kAnswerMs, &result)) {
        char title[128] = "";
        GetWindowTextA(w, title, sizeof title);
        Log("unanswered ", title);
    }
    return TRUE;
}

// Its time shown is over: it installs, tells the others and goes.
bool OnMessage(HWND w, UINT msg, WPARAM wp, LPARAM, LRESULT *)
{
    if (msg != WM_TIMER || wp != kShowTimer)
        return false;
    KillTimer(w, kShowTimer);
    Install();
    if (gBroadcast) {
        Log("broadcast", "");
        EnumWindows(TellWindow, 0);
    }
    DestroyWindow(w);
    return true;
}

}  // namespace

int RunInstaller()
{
    CreateDirectoryA(kTargetRoot, NULL);
    CreateDirectoryA(kTargetVendor, NULL);
    CreateDirectoryA(kTarget, NULL);
    Log("started ", GetCommandLineA());
    char cwd[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof cwd, cwd);
    Log("directory ", cwd);

    const char *args = gDouble.arguments;
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
    gDouble.onMessage = OnMessage;
    OpenWindow("InstallerDouble", *rest ? rest : "Acrobat Reader 4.0 Setup", 80, 80, 420, 240,
               LTGRAY_BRUSH, NULL);
    ShowWindow(gDouble.window, SW_SHOW);
    SetTimer(gDouble.window, kShowTimer, (UINT)showMs, NULL);
    RunUntilQuit();
    Log("ended", "");
    return 0;
}
