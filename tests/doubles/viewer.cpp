// The viewer: a stand-in for the PDF viewer. Installed as AcroRd32.exe or
// Acrobat.exe in a folder of its own, it
//   - appends the arguments it was started with, as received, to
//     opened.txt beside itself;
//   - shows a top-level window of class "ViewerDouble" titled
//     "Acrobat Reader - <document name>";
//   - serves DDE service "acroview", topic "control", and ends on the
//     execute command "[AppExit()]"; it appends every command to dde.txt.
//     With a file named deaf beside it, it serves no DDE at all (a viewer
//     that cannot be asked to close);
//   - writes ready.txt once it serves, and ends when a file named quit
//     appears beside it, when opened.txt is removed, or after two minutes,
//     so a scenario can always clean up; on its way out it writes ended.txt.
#include <stdio.h>
#include <string.h>

#include "double_common.h"

namespace {

const DWORD kLifetimeMs = 120000;

// The window's title: "Acrobat Reader - " and the name of the document in
// arg (quoted or not), cut to the capacity.
void TitleFor(const char *arg, char *title, size_t cap)
{
    size_t n = strlen(arg);
    if (n >= 2 && arg[0] == '"' && arg[n - 1] == '"') {
        ++arg;
        n -= 2;
    }
    for (size_t i = n; i > 0; --i) {
        if (arg[i - 1] == '\\') {
            n -= i;
            arg += i;
            break;
        }
    }
    snprintf(title, cap, "Acrobat Reader - %.*s", (int)n, arg);
}

HDDEDATA CALLBACK OnDde(UINT type, UINT, HCONV, HSZ topic, HSZ, HDDEDATA data, ULONG_PTR,
                        ULONG_PTR)
{
    switch (type) {
    case XTYP_CONNECT:
        return (HDDEDATA)(UINT_PTR)(DdeCmpStringHandles(topic, gDouble.topic) == 0);
    case XTYP_EXECUTE: {
        char command[256] = "";
        DWORD n = DdeGetData(data, (LPBYTE)command, sizeof command - 1, 0);
        command[n < sizeof command ? n : sizeof command - 1] = '\0';
        char line[300];
        snprintf(line, sizeof line, "%s (%lu bytes)", command, (unsigned long)n);
        AppendNote("dde.txt", "", line);
        if (strcmp(command, "[AppExit()]") == 0 && n == 11)
            PostMessageA(gDouble.window, WM_CLOSE, 0, 0);
        return (HDDEDATA)DDE_FACK;
    }
    default:
        return 0;
    }
}

}  // namespace

int RunViewer()
{
    AppendNote("opened.txt", "", gDouble.arguments);
    char title[MAX_PATH + 32];
    TitleFor(gDouble.arguments, title, sizeof title);
    OpenWindow("ViewerDouble", title, 40, 40, 400, 200, WHITE_BRUSH, NULL);
    // A scenario that starts again removes the folder: the double goes too.
    EndInTime(kLifetimeMs, "opened.txt");
    ShowWindow(gDouble.window, SW_SHOW);
    char deaf[MAX_PATH];
    if (!PathBeside("deaf", deaf, sizeof deaf) || !Exists(deaf))
        ServeDde("acroview", "control", OnDde);
    // Ready only once the service is up, so a scenario can wait for it.
    AppendNote("ready.txt", "", "ready");
    RunUntilQuit();
    AppendNote("ended.txt", "", "ended");
    return 0;
}
