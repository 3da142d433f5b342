#include "log_file.h"

#include <windows.h>
#include <string.h>


void AppendLogLine(const char *path, const char *caption, const char *text)
{
    if (path == NULL || path[0] == '\0')
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    LogTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    char line[1024];
    FormatLogLine(line, sizeof line - 2, &time, caption, text);
    strcat(line, "\r\n");
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, (DWORD)strlen(line), &written, NULL);
    CloseHandle(file);
}

int FullLogPath(const char *given, char *full, unsigned cap)
{
    if (cap == 0)
        return 0;
    full[0] = '\0';
    if (given[0] == '\0')
        return 0;
    DWORD n = GetFullPathNameA(given, cap, full, NULL);
    HANDLE file = n == 0 || n >= cap
                      ? INVALID_HANDLE_VALUE
                      : CreateFileA(full, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        full[0] = '\0';
        return 0;
    }
    CloseHandle(file);
    return 1;
}
