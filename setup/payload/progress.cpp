#include "progress.h"

#include "setup/resource.h"
#include "setup/shell/state.h"

static void PaintBar(HWND dlg, int32_t *ready, int32_t shade, int32_t position,
                     int32_t maximum)
{
    if (!*ready) {
        HWND bar = dlg != NULL ? GetDlgItem(dlg, IDC_BAR) : NULL;
        // Without a bar (or with a maximum that gives no scale) stay
        // uninitialised, so a later call tries again.
        if (bar == NULL || maximum <= 0)
            return;
        gState.barWnd = bar;
        GetClientRect(bar, &gState.barRect);
        gState.barScale = (double)gState.barRect.right / (double)maximum;
        *ready = 1;
        gState.barBrush = (HBRUSH)GetStockObject(shade);
    }
    double end = (double)position * gState.barScale;
    // The bar's DC clips what lies past its edge; only keep the conversion
    // to int defined.
    if (end > 32767.0)
        end = 32767.0;
    if (end < 0.0)
        end = 0.0;
    HDC dc = GetDC(gState.barWnd);
    if (dc == NULL)
        return;
    gState.barRect.right = (LONG)end;
    FillRect(dc, &gState.barRect, gState.barBrush);
    ReleaseDC(gState.barWnd, dc);
}

void PaintCopyBar(int32_t position, int32_t maximum)
{
    PaintBar(gState.hCopyDlg, &gState.copyBarReady, gState.copyBarShade, position, maximum);
}

void PaintExpandBar(int32_t position, int32_t maximum)
{
    PaintBar(gState.hCopyDlg, &gState.expandBarReady, gState.expandBarShade, position, maximum);
}

void PaintInstallBar(int32_t position, int32_t maximum)
{
    PaintBar(gState.hStatusDlg, &gState.installBarReady, gState.copyBarShade, position, maximum);
}
