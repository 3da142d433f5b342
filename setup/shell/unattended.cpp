#include "unattended.h"

#include <string.h>

#include "../../common/log_file.h"
#include "../../common/switches.h"
#include "../../common/text.h"
#include "alert.h"
#include "dialogs.h"
#include "state.h"

void BeginUnattended(const char *cmdLine)
{
    UnattendedSwitches switches;
    ReadUnattendedSwitches(cmdLine != NULL ? cmdLine : "", &switches);
    gState.silent = switches.silent;
    // The step delay paces what the screen shows; a silent run has no one
    // to pace for.
    if (gState.silent)
        gState.stepDelay = 0;
    if (switches.logWhole)
        FullLogPath(switches.logPath, gState.logPath, sizeof gState.logPath);
    gState.destGiven = switches.destGiven;
    gState.destWhole = switches.destWhole;
    CopyText(gState.silentDest, sizeof gState.silentDest, switches.destDir);
}

int Tell(const char *text, const char *caption, UINT flags, int silentAnswer)
{
    if (!gState.silent)
        return MessageBoxA(NULL, text, caption, flags);
    // The system's own caption of a box that names none.
    AppendLogLine(gState.logPath, caption != NULL ? caption : "Error", text);
    return silentAnswer;
}

void LogShown(const char *text)
{
    if (gState.silent)
        AppendLogLine(gState.logPath, "", text);
}

int RunSilentInstallation(void)
{
    // What the destination dialog would have held: the package's default,
    // or the directory the command line names. A name too long for the
    // dialog would be cut to another directory: it cannot be entered.
    const char *dest = gState.destGiven ? gState.silentDest : gState.destDir;
    if (!gState.destWhole || strlen(dest) >= kDestDirSize) {
        CopyTextN(gState.destDir, sizeof gState.destDir, dest, kDestDirSize - 1);
        UpperCase(gState.destDir);
        ShowAlert(kAlertCannotCd);
        return kExitStopped;
    }
    char typed[kDestDirSize];
    CopyText(typed, sizeof typed, dest);
    if (!EnterDestination(typed))
        return kExitStopped;
    RunInstallation();
    return SilentExitStatus();
}

int SilentExitStatus(void)
{
    if (gState.timedOut)
        return kExitIncomplete;
    if (gState.finalText[0] == '\0')
        return kExitStopped;
    return strcmp(gState.finalText, "Installation is Complete.") == 0 ? kExitComplete
                                                                     : kExitIncomplete;
}
