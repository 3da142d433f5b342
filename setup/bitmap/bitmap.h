// The background bitmap of the main window.
#ifndef TARNWICK_BITMAP_H
#define TARNWICK_BITMAP_H

#include <windows.h>

// Loads gState.bmpFile with its palette.
void BmpLoad(void);

// Paints the loaded bitmap into the window through dc.
void BmpPaint(HWND wnd, HDC dc, int a, int b);

#endif
