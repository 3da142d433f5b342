// setup's Windows entry point.
#include <windows.h>

#include "startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int)
{
    return SetupMain(instance, cmdLine);
}
