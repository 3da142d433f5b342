// A stand-in for Program Manager, for the end-to-end scenarios. It
//   - shows a top-level window of class "PROGMAN", titled "Program Manager",
//     started minimised so that a restore is seen as well as a minimise
//     (started with "-nowindow" it has none: a shell without Program
//     Manager's window);
//   - serves DDE service "PROGMAN", topic "PROGMAN" (and answers a connect
//     without a topic), acknowledging every execute command;
//   - appends to progman.log beside itself, in the order they come, one line
//     for each execute command, "EXECUTE " and the command's bytes exactly
//     as received (a terminating NUL included when it was sent), and one
//     line for each change of its window's state, "SHOW minimized" or
//     "SHOW restored";
//   - ends when a file named quit appears beside it, or after five minutes,
//     writing ended.txt on its way out.
// Wine's shell serves "PROGMAN" too. The double waits until the shell's
// service answers before it registers its own: a connect then reaches the
// double, the later server, first. ready.txt tells the scenario it is up,
// and whether the shell's service was there. Started with "-probe" it only
// waits for the shell's service and ends, with exit code 0 when it answered.
#include <windows.h>
#include <ddeml.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "double_common.h"
#include <vector>

namespace {

std::string gDir;
DWORD gDde;
HSZ gService, gTopic;
bool gLogging;
const UINT_PTR kPollTimer = 1;
const DWORD kLifetimeMs = 300000;
const DWORD kShellWaitMs = 20000;

void AppendLog(const std::string &bytes)
{
    AppendLineTo(gDir + "\\progman.log", bytes);
}

void WriteNote(const char *file, const char *text)
{
    std::string path = gDir + "\\" + file;
    FILE *f = fopen(path.c_str(), "wb");
    if (f) {
        fprintf(f, "%s\n", text);
        fclose(f);
    }
}

HDDEDATA CALLBACK NoDde(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return 0;
}

// Waits, within a bound, until some other server answers "PROGMAN": the
// shell's service, which must be up before ours.
bool ShellServiceAnswers()
{
    DWORD client = 0;
    if (DdeInitializeA(&client, NoDde, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
        return false;
    HSZ name = DdeCreateStringHandleA(client, "PROGMAN", CP_WINANSI);
    bool answered = false;
    DWORD start = GetTickCount();
    while (name != NULL && !answered && GetTickCount() - start < kShellWaitMs) {
        HCONV conv = DdeConnect(client, name, name, NULL);
        if (conv != NULL) {
            DdeDisconnect(conv);
            answered = true;
        } else {
            MsgWaitForMultipleObjects(0, NULL, FALSE, 100, QS_ALLINPUT);
        }
    }
    if (name != NULL)
        DdeFreeStringHandle(client, name);
    DdeUninitialize(client);
    return answered;
}

HDDEDATA CALLBACK OnDde(UINT type, UINT, HCONV, HSZ topic, HSZ service, HDDEDATA data, ULONG_PTR,
                        ULONG_PTR)
{
    switch (type) {
    case XTYP_CONNECT:
        return (HDDEDATA)(UINT_PTR)(DdeCmpStringHandles(topic, gTopic) == 0);
    case XTYP_WILDCONNECT: {
        if ((service != NULL && DdeCmpStringHandles(service, gService) != 0) ||
            (topic != NULL && DdeCmpStringHandles(topic, gTopic) != 0))
            return 0;
        HSZPAIR pairs[2] = {{gService, gTopic}, {NULL, NULL}};
        return DdeCreateDataHandle(gDde, (LPBYTE)pairs, sizeof pairs, 0, NULL, XTYP_WILDCONNECT,
                                   0);
    }
    case XTYP_EXECUTE: {
        DWORD size = DdeGetData(data, NULL, 0, 0);
        std::vector<char> bytes(size + 1);
        DWORD got = size != 0 ? DdeGetData(data, (LPBYTE)bytes.data(), size, 0) : 0;
        AppendLog("EXECUTE " + std::string(bytes.data(), got));
        return (HDDEDATA)DDE_FACK;
    }
    default:
        return 0;
    }
}

LRESULT CALLBACK ProgmanProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_SIZE:
        if (gLogging && wp == SIZE_MINIMIZED)
            AppendLog("SHOW minimized");
        else if (gLogging && (wp == SIZE_RESTORED || wp == SIZE_MAXIMIZED))
            AppendLog("SHOW restored");
        break;
    case WM_TIMER: {
        if (TimeToEnd(w, gDir))
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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int)
{
    const bool windowless = cmdLine != NULL && strstr(cmdLine, "-nowindow") != NULL;
    if (cmdLine != NULL && strstr(cmdLine, "-probe") != NULL)
        return ShellServiceAnswers() ? 0 : 1;
    char own[MAX_PATH];
    GetModuleFileNameA(NULL, own, sizeof own);
    gDir = own;
    gDir = gDir.substr(0, gDir.find_last_of('\\'));

    bool shell = ShellServiceAnswers();

    WNDCLASSA wc = {};
    wc.lpfnWndProc = ProgmanProc;
    wc.hInstance = instance;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    // Without its window the double keeps a message-only window for its
    // timer: FindWindow never sees one of those.
    wc.lpszClassName = windowless ? "ProgmanDoubleTimer" : "PROGMAN";
    RegisterClassA(&wc);
    HWND window = CreateWindowA(wc.lpszClassName, "Program Manager", WS_OVERLAPPEDWINDOW, 60, 60,
                                400, 240, windowless ? HWND_MESSAGE : NULL, NULL, instance, NULL);
    SetLifetime(window, kLifetimeMs);
    SetTimer(window, kPollTimer, 100, NULL);
    if (!windowless)
        ShowWindow(window, SW_SHOWMINNOACTIVE);

    if (DdeInitializeA(&gDde, OnDde, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0) ==
        DMLERR_NO_ERROR) {
        gService = DdeCreateStringHandleA(gDde, "PROGMAN", CP_WINANSI);
        gTopic = DdeCreateStringHandleA(gDde, "PROGMAN", CP_WINANSI);
        DdeNameService(gDde, gService, NULL, DNS_REGISTER);
    }
    gLogging = true;
    WriteNote("ready.txt", shell ? "ready after the shell" : "ready without the shell");

    RunUntilQuit(gDde, gService, gTopic);
    WriteNote("ended.txt", "ended");
    return 0;
}
