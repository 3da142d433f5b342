#include "program_group.h"

#include <stdio.h>

#include "../shell/state.h"
#include "../../common/text.h"
#include "script_values.h"

void CreateProgramGroup(void)
{
    const ScriptValues *s = &gState.script;
    char installDir[kPathSize];
    GetCurrentDirectoryA(sizeof installDir, installDir);
    installDir[sizeof installDir - 1] = '\0';
    if (s->mainFile[0] == '\\')
        snprintf(gState.MainTarget, sizeof gState.MainTarget, "%c:%s", gState.ownPath[0],
                 s->mainFile);
    else
        snprintf(gState.MainTarget, sizeof gState.MainTarget, "%s\\%s", installDir, s->mainFile);
    if (ValueSaysYes(s->romResident))
        snprintf(gState.MainTarget, sizeof gState.MainTarget, "%c:\\tklaunch.exe ",
                 gState.ownPath[0]);
    // TODO(program group issue): the group folder, the main, "Uninstall" and
    // "Readme" shortcuts and the Program Manager request to show the group
    // replace the rest of this stub.
}

// TODO(program group issue): the Write document's three Program Manager
// items replace this stub.
void AddProgmanItems(void)
{
}
