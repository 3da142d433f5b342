#include "uninstall.h"

// TODO(uninstall issue): the uninstaller replaces this stub; until then a
// setup named UNINSTAL.EXE ends without touching anything.
void RunUninstall(void)
{
}

// TODO(uninstall issue): the temporary uninstaller's clean-up replaces this
// stub; until then it ends without touching anything.
void RunTempUninstaller(const char *upperCmdLine)
{
    (void)upperCmdLine;
}
