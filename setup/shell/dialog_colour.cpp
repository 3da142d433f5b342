#include "dialog_colour.h"

#include "state.h"

HBRUSH DialogBrush(HWND deviceWnd)
{
    static HBRUSH brush;
    if (brush == NULL) {
        HDC dc = GetDC(deviceWnd);
        brush = CreateSolidBrush(GetNearestColor(dc, ColourOf(gState.dialogRgb)));
        ReleaseDC(deviceWnd, dc);
    }
    return brush;
}

INT_PTR PlainDialogColour(UINT msg, WPARAM wParam)
{
    switch (msg) {
    case WM_CTLCOLORDLG:
        return (INT_PTR)DialogBrush(gState.hMainWnd);
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
        SetBkMode((HDC)wParam, TRANSPARENT);
        return (INT_PTR)DialogBrush(gState.hMainWnd);
    }
    return 0;
}
