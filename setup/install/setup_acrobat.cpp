#include "setup_acrobat.h"

#include "acrobat/acrobat.h"
#include "setup/shell/wait.h"

void SetupFindAcrobatWindow(void)
{
    acrobatRunning = 0;
    // Lets setup's own windows settle first; a silent run has none.
    PauseSeconds(1);
    FindAcrobatWindow();
}
