#include "script.h"

// TODO(installation script issue): reading SETUP.INI and running its steps
// (status dialog, Acrobat, plug-ins, embed, program group, completion
// dialog) replace this stub. Until then nothing is installed and nothing
// claims it was: no completion message, and the result says it did not run.
int RunInstallScript(const char *sourceDrive)
{
    (void)sourceDrive;
    return 0;
}
