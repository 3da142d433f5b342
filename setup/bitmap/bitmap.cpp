#include "bitmap.h"

// TODO(bitmap issue): DIB loading with its palette replaces this stub; until
// then the main window shows only its backdrop colour.
void BmpLoad(void)
{
}

// TODO(bitmap issue): the background painter replaces this stub.
void BmpPaint(HWND wnd, HDC dc, int a, int b)
{
    (void)wnd;
    (void)dc;
    (void)a;
    (void)b;
}
