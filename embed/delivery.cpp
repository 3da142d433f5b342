#include "delivery.h"

#include <windows.h>
#include <string.h>

#include "common/log_file.h"
#include "common/switches.h"
#include "common/text.h"
#include "file_copy.h"
#include "output.h"
#include "payload.h"
#include "plugin.h"
#include "self_delete.h"
#include "state.h"
#include "trust.h"

enum { kShortestClosingMessage = 6 };

void ComputeOwnDir()
{
    gEmbed.ownDir[0] = '\0';
    int slash = LastBackslash(gEmbed.ownPath);
    if (slash > 0)
        CopyTextN(gEmbed.ownDir, sizeof gEmbed.ownDir, gEmbed.ownPath, (size_t)slash);
}

int CheckWindowsVersion()
{
    DWORD version = GetVersion();
    if (version < 0x80000000u)
        return 1;
    return (version & 0xFF) >= 4;
}

// The switches setup's silent run passes on after the drive root
// ("-cdrom D:\ /S /LOG=FILE"). Returns 0 when a silent delivery cannot
// keep its word: its log cannot be written, or a word is no switch.
static int ReadDeliverySwitches(const char *argument)
{
    // The drive root comes first; it names the setup medium, not a switch.
    while (*argument == ' ')
        ++argument;
    if (*argument != '/' && *argument != '"')
        argument = strchr(argument, ' ') != NULL ? strchr(argument, ' ') : "";
    UnattendedSwitches switches;
    ReadUnattendedSwitches(argument, &switches);
    gEmbed.silent = switches.silent;
    if (!switches.silent)
        return 1;
    // The system's own boxes (a drive without a disc) would wait for ever.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    if (switches.logGiven &&
        (!switches.logWhole ||
         !FullLogPath(switches.logPath, gEmbed.logPath, sizeof gEmbed.logPath)))
        return 0;
    if (switches.strayGiven) {
        Say("Error", MB_OK, "Unknown argument: %s", switches.stray);
        return 0;
    }
    return 1;
}

int RunDelivery(const char *argument)
{
    if (!ReadDeliverySwitches(argument))
        return 1;
    gEmbed.failed = 1;  // until the document and the plug-in are written
    if (!CheckWindowsVersion()) {
        Tell("Cannot Install on this System. Please use 16-bit Installer", "Error", MB_OK, IDOK);
        return 1;
    }
    ComputeOwnDir();
    if (!ReadTrailer())
        return 1;
    gEmbed.kind = gEmbed.docOffset != 0    ? kDocumentInstaller
                  : gEmbed.plugOffset != 0 ? kPluginInstaller
                                           : kUpdateInstaller;
    if (gEmbed.kind == kDocumentInstaller && !ExtractDocument())
        return 1;
    gEmbed.failed = 0;
    if (gEmbed.kind != kUpdateInstaller) {
        FindAcrobatPaths();
        // A refused or failed copy does not stop the run; a silent one
        // tells it by its status.
        if (InstallPlugin() != 1)
            gEmbed.failed = 1;
    }
    if (gEmbed.silent) {
        // No consent can be given: the preference stays as it is.
        if (TrustRestrictionSet())
            Tell("Acrobat's preference to load only certified plug-ins is left as it is.",
                 "Tarnwick", MB_OK, IDOK);
    } else {
        if (AdjustTrustPreference() == 0)
            return 0;
        if (gEmbed.kind == kDocumentInstaller)
            OpenDocument(gEmbed.acrobatExecutable);
    }
    if (strlen(gEmbed.closingMessage) >= kShortestClosingMessage)
        Tell(gEmbed.closingMessage, "Tarnwick", MB_OK, IDOK);
    if (strlen(gEmbed.selfDelete) == 3)
        SelfDelete();
    return gEmbed.failed;
}
