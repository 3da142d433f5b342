// embed's Windows entry point: one program, three roles chosen by the
// command line.
#include <windows.h>

#include "../common/text.h"
#include "builder.h"
#include "command.h"
#include "delivery.h"
#include "self_delete.h"
#include "state.h"

EmbedState gEmbed;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    CopyText(gEmbed.commandText, sizeof gEmbed.commandText, commandLine);
    CharLowerA(gEmbed.commandText);
    StripCommandQuotes(gEmbed.commandText);
    DWORD n = GetModuleFileNameA(NULL, gEmbed.ownPath, sizeof gEmbed.ownPath);
    if (n >= sizeof gEmbed.ownPath)
        gEmbed.ownPath[sizeof gEmbed.ownPath - 1] = '\0';

    const char *argument = "";
    EmbedRole role = ChooseRole(gEmbed.commandText, &argument);
    switch (role) {
    case kRoleDelivery:
        RunDelivery(argument);
        break;
    case kRoleBuild:
    case kRoleBuildPlugin:
    case kRoleBuildUpdate:
    case kRoleBuildBoth:
        gEmbed.wantPluginInstaller = role == kRoleBuildPlugin || role == kRoleBuildBoth;
        gEmbed.wantUpdateInstaller = role == kRoleBuildUpdate || role == kRoleBuildBoth;
        ComputeOwnDir();
        BuildInstallers(argument);
        break;
    case kRoleVersion:
        MessageBoxA(NULL, "Tarnwick document installer, version 1.0", "Tarnwick", MB_OK);
        break;
    case kRoleDeleter:
        RunDeleter(gEmbed.commandText);
        break;
    }
    return 0;
}
