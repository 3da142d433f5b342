// A stand-in for a program that setup starts and waits for: it writes the
// command line it was given to "<its own path>.args" and ends with 0.
#include <windows.h>
#include <stdio.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH + 8];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return 1;
    lstrcatA(path, ".args");
    FILE *f = fopen(path, "w");
    if (f == NULL)
        return 1;
    fputs(GetCommandLineA(), f);
    fclose(f);
    return 0;
}
