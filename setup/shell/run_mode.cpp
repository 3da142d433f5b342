#include "run_mode.h"

#include <string.h>

#include "common/text.h"

void ProgramDirOf(const char *path, char *dir, size_t cap)
{
    int slash = LastBackslash(path);
    if (slash < 0) {
        CopyText(dir, cap, "");
        return;
    }
    CopyTextN(dir, cap, path, (size_t)slash);
}

RunMode RunModeFor(const char *ownPath, const char *upperCmdLine)
{
    int slash = LastBackslash(ownPath);
    if (slash < 0)
        return kRunInstaller;
    const char *name = ownPath + slash + 1;
    if (EqualsNoCase(name, "UNINSTAL.EXE"))
        return kRunUninstall;
    if (EqualsNoCase(name, "XNINSTAL.EXE"))
        return strlen(upperCmdLine) >= 2 ? kRunTempUninstaller : kRunDeletableNotice;
    return kRunInstaller;
}
