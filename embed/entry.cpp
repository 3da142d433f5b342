// embed's Windows entry point: one program, three roles chosen by the
// command line.
#include <windows.h>

#include "common/ansi_code_page.h"
#include "common/text.h"
#include "builder.h"
#include "command.h"
#include "delivery.h"
#include "file_copy.h"
#include "output.h"
#include "self_delete.h"
#include "state.h"

EmbedState gEmbed;

static const char *TempDir()
{
    static char temp[MAX_PATH + 1];
    DWORD n = GetTempPathA(sizeof temp, temp);
    if (n == 0 || n >= sizeof temp)
        temp[0] = '\0';
    return temp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    // Before any path or name is looked at: its characters may be of two
    // bytes.
    LoadAnsiCodePage();
    CopyText(gEmbed.commandText, sizeof gEmbed.commandText, commandLine);
    CharLowerA(gEmbed.commandText);
    StripCommandQuotes(gEmbed.commandText);
    // Every role reads the own file by this path: a cut one names another
    // file, which the builder would copy and the delivery read.
    DWORD n = GetModuleFileNameA(NULL, gEmbed.ownPath, sizeof gEmbed.ownPath);
    if (n == 0 || n >= sizeof gEmbed.ownPath) {
        char full[kCommandSize] = "";
        GetModuleFileNameA(NULL, full, sizeof full - 1);
        Say("Error", MB_OK, "Cannot read: %s", full);
        return 0;
    }

    const char *argument = "";
    EmbedRole role = ChooseRole(gEmbed.commandText, &argument);
    int status = 0;
    switch (role) {
    case kRoleDelivery:
        status = RunDelivery(argument);
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
        Tell("Tarnwick document installer, version " TARNWICK_VERSION_TEXT, "Tarnwick", MB_OK,
             IDOK);
        break;
    case kRoleDeleter:
        // Only the relay copy SelfDelete starts deletes its argument: a
        // document dropped on the program, or opened with it, is kept,
        // and the program starts as if given nothing.
        if (IsRelayCopy(gEmbed.ownPath, TempDir()))
            RunDeleter(gEmbed.commandText);
        else
            RunDelivery("");
        break;
    }
    // Only a silent delivery has a status to tell: the one who started it
    // saw nothing else.
    return gEmbed.silent ? status : 0;
}
