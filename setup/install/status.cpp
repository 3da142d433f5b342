#include "status.h"

#include <windows.h>

#include "../payload/progress.h"
#include "../resource.h"
#include "../shell/state.h"
#include "../shell/unattended.h"

void SetStatus(const char *text)
{
    SetDlgItemTextA(gState.hStatusDlg, IDC_LABEL, text);
    LogShown(text);
}

void SetMeter(int position)
{
    PaintInstallBar(position, 100);
}
