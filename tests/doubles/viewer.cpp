// A stand-in for the PDF viewer, for the end-to-end scenarios. Installed as
// AcroRd32.exe or Acrobat.exe in a folder of its own, it
//   - appends the arguments it was started with, as received, to
//     opened.txt beside itself;
//   - shows a top-level window titled "Acrobat Reader - <document name>";
//   - serves DDE service "acroview", topic "control", and ends on the
//     execute command "[AppExit()]", which it appends to dde.txt (the
//     VIEWER_DEAF build serves no DDE at all);
//   - ends when a file named quit appears beside it, when opened.txt is
//     removed, or after two minutes,
//     so a scenario can always clean up; on its way out it writes ended.txt.
#include <windows.h>
#include <ddeml.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "double_common.h"

namespace {

std::string gDir;
DWORD gDde;
HSZ gService, gTopic;
HWND gWindow;
const UINT_PTR kPollTimer = 1;
const DWORD kLifetimeMs = 120000;

void AppendLine(const char *file, const std::string &text)
{
    AppendLineTo(gDir + "\\" + file, text);
}

std::string DocumentName(std::string arg)
{
    if (arg.size() >= 2 && arg.front() == '"' && arg.back() == '"')
        arg = arg.substr(1, arg.size() - 2);
    size_t slash = arg.find_last_of('\\');
    return slash == std::string::npos ? arg : arg.substr(slash + 1);
}

[[maybe_unused]] HDDEDATA CALLBACK OnDde(UINT type, UINT, HCONV, HSZ topic, HSZ, HDDEDATA data, ULONG_PTR,
                        ULONG_PTR)
{
    switch (type) {
    case XTYP_CONNECT:
        return (HDDEDATA)(UINT_PTR)(DdeCmpStringHandles(topic, gTopic) == 0);
    case XTYP_EXECUTE: {
        char command[256] = "";
        DWORD n = DdeGetData(data, (LPBYTE)command, sizeof command - 1, 0);
        command[n < sizeof command ? n : sizeof command - 1] = '\0';
        char line[300];
        snprintf(line, sizeof line, "%s (%lu bytes)", command, (unsigned long)n);
        AppendLine("dde.txt", line);
        if (strcmp(command, "[AppExit()]") == 0 && n == 11)
            PostMessageA(gWindow, WM_CLOSE, 0, 0);
        return (HDDEDATA)DDE_FACK;
    }
    default:
        return 0;
    }
}

LRESULT CALLBACK ViewerProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_TIMER: {
        // A scenario that starts again removes the folder: the double goes too.
        std::string opened = gDir + "\\opened.txt";
        if (TimeToEnd(w, gDir) || GetFileAttributesA(opened.c_str()) == INVALID_FILE_ATTRIBUTES)
            DestroyWindow(w);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    char own[MAX_PATH];
    GetModuleFileNameA(NULL, own, sizeof own);
    gDir = own;
    gDir = gDir.substr(0, gDir.find_last_of('\\'));
    std::string args = CommandArguments();
    AppendLine("opened.txt", args);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = ViewerProc;
    wc.hInstance = instance;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = "ViewerDouble";
    RegisterClassA(&wc);
    std::string title = "Acrobat Reader - " + DocumentName(args);
    gWindow = CreateWindowA("ViewerDouble", title.c_str(), WS_OVERLAPPEDWINDOW, 40, 40, 400,
                            200, NULL, NULL, instance, NULL);
    SetLifetime(gWindow, kLifetimeMs);
    SetTimer(gWindow, kPollTimer, 100, NULL);
    ShowWindow(gWindow, SW_SHOW);

#ifndef VIEWER_DEAF
    if (DdeInitializeA(&gDde, OnDde, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0) ==
        DMLERR_NO_ERROR) {
        gService = DdeCreateStringHandleA(gDde, "acroview", CP_WINANSI);
        gTopic = DdeCreateStringHandleA(gDde, "control", CP_WINANSI);
        DdeNameService(gDde, gService, NULL, DNS_REGISTER);
    }
#endif
    // Ready only once the service is up, so a scenario can wait for it.
    AppendLine("ready.txt", "ready");

    RunUntilQuit(gDde, gService, gTopic);
    AppendLine("ended.txt", "ended");
    return 0;
}
