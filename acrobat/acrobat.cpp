#include "acrobat.h"

#include <windows.h>
#include <ddeml.h>
#include <string.h>

#include "common/output.h"
#include "title_match.h"

int32_t acrobatRunning;

namespace {

enum {
    kConnectRetries = 21,
    kRetryPauseMs = 500,
    kExecuteTimeoutMs = 10000,
    kCommandBufferSize = 64,
};

const char kExitCommand[] = "[AppExit()]";

BOOL CALLBACK MatchTitle(HWND w, LPARAM)
{
    // Room for 512 characters, then cut to the first 256.
    char title[512];
    memset(title, 0, kTitleConsidered);
    if (GetWindowTextA(w, title, sizeof title) <= 0)
        return TRUE;
    title[kTitleConsidered] = '\0';
    if (TitleNamesAcrobat(title)) {
        acrobatRunning = 1;
        return FALSE;
    }
    return TRUE;
}

HDDEDATA CALLBACK IgnoreTransactions(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return 0;
}

}  // namespace

void FindAcrobatWindow()
{
    acrobatRunning = 0;
    EnumWindows(MatchTitle, 0);
}

int ConfirmCloseAcrobat()
{
    // Only OK is consent: a box that could not be shown (0) is none.
    if (Tell("Adobe Acrobat is active. Click OK to close Acrobat and continue this install.",
             "Tarnwick", MB_OKCANCEL, IDCANCEL) != IDOK)
        return 0;
    CloseAcrobat();
    return 1;
}

void CloseAcrobat()
{
    DWORD instance = 0;
    if (DdeInitializeA(&instance, IgnoreTransactions, 0, 0) != DMLERR_NO_ERROR)
        return;
    HSZ service = DdeCreateStringHandleA(instance, "acroview", CP_WINANSI);
    HSZ topic = DdeCreateStringHandleA(instance, "control", CP_WINANSI);

    // A zero handle is a wildcard to DdeConnect: the exit command could go
    // to whichever server answers first.
    if (service == 0 || topic == 0) {
        if (service)
            DdeFreeStringHandle(instance, service);
        if (topic)
            DdeFreeStringHandle(instance, topic);
        DdeUninitialize(instance);
        return;
    }
    HCONV conv = DdeConnect(instance, service, topic, NULL);
    for (int retry = 0; conv == NULL && retry < kConnectRetries; ++retry) {
        Sleep(kRetryPauseMs);
        conv = DdeConnect(instance, service, topic, NULL);
    }
    if (conv == NULL) {
        Sleep(kRetryPauseMs);
    } else {
        char *command = (char *)LocalAlloc(LPTR, kCommandBufferSize);
        if (command != NULL) {
            memcpy(command, kExitCommand, sizeof kExitCommand);
            DWORD result = 0;
            HDDEDATA done = DdeClientTransaction((LPBYTE)command, sizeof kExitCommand - 1, conv,
                                                NULL, 0, XTYP_EXECUTE, kExecuteTimeoutMs, &result);
            if (done == 0)
                Tell("Can't Execute", "DdeClientTransaction", MB_OK, IDOK);
            LocalFree(command);
        }
        DdeDisconnect(conv);
    }
    DdeFreeStringHandle(instance, service);
    DdeFreeStringHandle(instance, topic);
    DdeUninitialize(instance);
}
