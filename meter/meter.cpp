// METER.DLL: the meter control library carried in a package. setup never
// loads it; it is kept so packages have the layout their tools expect.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}

// The library's version, so that a packaged copy can be identified.
extern "C" DWORD MeterVersion(void)
{
    return 0x00010000;
}
