// Program Manager's stand-in, for the end-to-end scenarios. It
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
#include <stdlib.h>
#include <string.h>

#include "double_common.h"

namespace {

const DWORD kLifetimeMs = 300000;
const DWORD kShellWaitMs = 20000;

bool gLogging;

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
        return (HDDEDATA)(UINT_PTR)(DdeCmpStringHandles(topic, gDouble.topic) == 0);
    case XTYP_WILDCONNECT: {
        if ((service != NULL && DdeCmpStringHandles(service, gDouble.service) != 0) ||
            (topic != NULL && DdeCmpStringHandles(topic, gDouble.topic) != 0))
            return 0;
        HSZPAIR pairs[2] = {{gDouble.service, gDouble.topic}, {NULL, NULL}};
        return DdeCreateDataHandle(gDouble.dde, (LPBYTE)pairs, sizeof pairs, 0, NULL,
                                   XTYP_WILDCONNECT, 0);
    }
    case XTYP_EXECUTE: {
        DWORD size = DdeGetData(data, NULL, 0, 0);
        char *bytes = (char *)malloc(size + 1);
        if (bytes == NULL)
            return (HDDEDATA)DDE_FNOTPROCESSED;
        DWORD got = size != 0 ? DdeGetData(data, (LPBYTE)bytes, size, 0) : 0;
        char path[MAX_PATH];
        if (PathBeside("progman.log", path, sizeof path))
            AppendLineTo(path, "EXECUTE ", bytes, got);
        free(bytes);
        return (HDDEDATA)DDE_FACK;
    }
    default:
        return 0;
    }
}

// Every change of its window's state, once it serves.
bool OnMessage(HWND, UINT msg, WPARAM wp, LPARAM, LRESULT *)
{
    if (msg == WM_SIZE && gLogging && wp == SIZE_MINIMIZED)
        AppendNote("progman.log", "SHOW ", "minimized");
    else if (msg == WM_SIZE && gLogging && (wp == SIZE_RESTORED || wp == SIZE_MAXIMIZED))
        AppendNote("progman.log", "SHOW ", "restored");
    return false;
}

}  // namespace

int RunProgman()
{
    const char *args = gDouble.arguments;
    if (strstr(args, "-probe") != NULL)
        return ShellServiceAnswers() ? 0 : 1;
    const bool windowless = strstr(args, "-nowindow") != NULL;
    bool shell = ShellServiceAnswers();

    // Without its window the double keeps a message-only window for its
    // timer: FindWindow never sees one of those.
    gDouble.onMessage = OnMessage;
    OpenWindow(windowless ? "ProgmanDoubleTimer" : "PROGMAN", "Program Manager", 60, 60, 400, 240,
               WHITE_BRUSH, windowless ? HWND_MESSAGE : NULL);
    EndInTime(kLifetimeMs, NULL);
    if (!windowless)
        ShowWindow(gDouble.window, SW_SHOWMINNOACTIVE);

    ServeDde("PROGMAN", "PROGMAN", OnDde);
    gLogging = true;
    WriteNote("ready.txt", shell ? "ready after the shell" : "ready without the shell");
    RunUntilQuit();
    WriteNote("ended.txt", "ended");
    return 0;
}
