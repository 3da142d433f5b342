#include "alert.h"

#include "output.h"
#include "state.h"

// Fatal errors do not unwind: every loop checks cancelled, and the quit
// message ends the main loop.
static void EndProgram(void)
{
    gState.cancelled = 1;
    // While "dunzip" runs, its own code is on the stack; the expansion
    // releases the library when the call returns.
    if (gState.hUnzipLib != NULL && !gState.unzipInCall) {
        FreeLibrary(gState.hUnzipLib);
        gState.hUnzipLib = NULL;
    }
    PostQuitMessage(0);
}

void ShowAlert(int code)
{
    char text[kAlertTextSize];
    FormatAlertText(code, gState.destDir, gState.ownPath, text, sizeof text);
    if (code == kAlertConfirmCancel) {
        if (Tell(text, "Cancel", MB_YESNOCANCEL, IDNO) != IDYES)
            return;
    } else {
        Tell(text, "Alert", MB_OK, IDOK);
    }
    EndProgram();
}
