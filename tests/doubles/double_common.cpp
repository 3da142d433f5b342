#include "double_common.h"

#include <stdio.h>
#include <string.h>

#include "double_role.h"

DoubleState gDouble;

namespace {

const UINT_PTR kEndTimer = 100;  // a role's own timers take ids below it
const UINT kEndPollMs = 100;

// The text after the program name, exactly as the system passed it.
const char *CommandArguments()
{
    const char *p = GetCommandLineA();
    if (*p == '"') {
        p = strchr(p + 1, '"');
        p = p ? p + 1 : "";
    } else {
        while (*p && *p != ' ' && *p != '\t')
            ++p;
    }
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

bool ExistsBeside(const char *file)
{
    char path[MAX_PATH];
    return PathBeside(file, path, sizeof path) && Exists(path);
}

bool TimeToEnd()
{
    return (LONG)(GetTickCount() - gDouble.endTick) > 0 || ExistsBeside("quit") ||
           (gDouble.keptBy != NULL && !ExistsBeside(gDouble.keptBy));
}

LRESULT CALLBACK DoubleProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    LRESULT result = 0;
    if (gDouble.onMessage != NULL && gDouble.onMessage(w, msg, wp, lp, &result))
        return result;
    switch (msg) {
    case WM_TIMER:
        if (wp == kEndTimer && TimeToEnd())
            DestroyWindow(w);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(w, msg, wp, lp);
}

}  // namespace

bool PathBeside(const char *file, char *out, size_t cap)
{
    int n = snprintf(out, cap, "%s\\%s", gDouble.dir, file);
    if (n < 0 || (size_t)n >= cap) {
        out[0] = '\0';
        return false;
    }
    return true;
}

bool Exists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

void AppendLineTo(const char *path, const char *head, const void *data, size_t size)
{
    FILE *f = fopen(path, "ab");
    if (f) {
        fputs(head, f);
        fwrite(data, 1, size, f);
        fputc('\n', f);
        fclose(f);
    }
}

void AppendNote(const char *file, const char *head, const char *text)
{
    char path[MAX_PATH];
    if (PathBeside(file, path, sizeof path))
        AppendLineTo(path, head, text, strlen(text));
}

void WriteNote(const char *file, const char *text)
{
    char path[MAX_PATH];
    FILE *f = PathBeside(file, path, sizeof path) ? fopen(path, "wb") : NULL;
    if (f) {
        fprintf(f, "%s\n", text);
        fclose(f);
    }
}

HWND OpenWindow(const char *className, const char *title, int x, int y, int width, int height,
                int brush, HWND parent)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DoubleProc;
    wc.hInstance = gDouble.instance;
    wc.hbrBackground = (HBRUSH)GetStockObject(brush);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    gDouble.window = CreateWindowA(className, title, WS_OVERLAPPEDWINDOW, x, y, width, height,
                                   parent, NULL, gDouble.instance, NULL);
    return gDouble.window;
}

void EndInTime(DWORD ms, const char *keptBy)
{
    gDouble.endTick = GetTickCount() + ms;
    gDouble.keptBy = keptBy;
    SetTimer(gDouble.window, kEndTimer, kEndPollMs, NULL);
}

bool ServeDde(const char *name, const char *topicName, PFNCALLBACK callback)
{
    if (DdeInitializeA(&gDouble.dde, callback, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS,
                       0) != DMLERR_NO_ERROR) {
        gDouble.dde = 0;
        return false;
    }
    gDouble.service = DdeCreateStringHandleA(gDouble.dde, name, CP_WINANSI);
    gDouble.topic = DdeCreateStringHandleA(gDouble.dde, topicName, CP_WINANSI);
    DdeNameService(gDouble.dde, gDouble.service, NULL, DNS_REGISTER);
    return true;
}

void RunUntilQuit()
{
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (gDouble.dde) {
        DdeNameService(gDouble.dde, gDouble.service, NULL, DNS_UNREGISTER);
        DdeFreeStringHandle(gDouble.dde, gDouble.service);
        DdeFreeStringHandle(gDouble.dde, gDouble.topic);
        DdeUninitialize(gDouble.dde);
        gDouble.dde = 0;
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    DWORD n = GetModuleFileNameA(NULL, gDouble.path, sizeof gDouble.path);
    if (n == 0 || n >= sizeof gDouble.path)
        return 1;
    gDouble.instance = instance;
    memcpy(gDouble.dir, gDouble.path, n + 1);
    char *slash = strrchr(gDouble.dir, '\\');
    *(slash != NULL ? slash : gDouble.dir) = '\0';
    gDouble.arguments = CommandArguments();
    switch (RoleForPath(gDouble.path)) {
    case kRoleViewer:
        return RunViewer();
    case kRoleInstaller:
        return RunInstaller();
    case kRoleProgman:
        return RunProgman();
    case kRoleRecorder:
        break;
    }
    return RunRecorder();
}
