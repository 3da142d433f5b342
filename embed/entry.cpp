// embed's Windows entry point.
#include <windows.h>

// TODO(embed issue): the delivery run and the builder replace this bare
// entry point.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
