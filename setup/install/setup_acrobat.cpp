#include "setup_acrobat.h"

#include "../shell/wait.h"
#include "acrobat.h"

void SetupFindAcrobatWindow(void)
{
    acrobatRunning = 0;
    WaitSeconds(1);
    FindAcrobatWindow();
}
