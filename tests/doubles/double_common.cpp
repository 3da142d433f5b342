#include "double_common.h"

#include <stdio.h>
#include <string.h>

std::string CommandArguments()
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

void AppendLineTo(const std::string &path, const std::string &bytes)
{
    FILE *f = fopen(path.c_str(), "ab");
    if (f) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        fputc('\n', f);
        fclose(f);
    }
}

void SetLifetime(HWND w, DWORD ms)
{
    SetWindowLongPtrA(w, GWLP_USERDATA, (LONG_PTR)(GetTickCount() + ms));
}

bool TimeToEnd(HWND w, const std::string &dir)
{
    std::string quit = dir + "\\quit";
    return GetFileAttributesA(quit.c_str()) != INVALID_FILE_ATTRIBUTES ||
           GetTickCount() > (DWORD)GetWindowLongPtrA(w, GWLP_USERDATA);
}

void RunUntilQuit(DWORD dde, HSZ service, HSZ topic)
{
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (dde) {
        DdeNameService(dde, service, NULL, DNS_UNREGISTER);
        DdeFreeStringHandle(dde, service);
        DdeFreeStringHandle(dde, topic);
        DdeUninitialize(dde);
    }
}
