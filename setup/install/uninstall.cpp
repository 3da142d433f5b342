#include "uninstall.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "../shell/run_mode.h"
#include "../shell/state.h"
#include "../shell/unattended.h"
#include "../../common/text.h"
#include "../shell/wait.h"
#include "program_group.h"
#include "program_items.h"
#include "uninstall_list.h"

namespace {

const char kRelayPath[] = "C:\\TEMP\\XNINSTAL.EXE";
const char kRelayName[] = "XNINSTAL.EXE";
const double kRelayWaitSeconds = 10;

// Makes the uninstaller's own directory current. Returns 0 when it cannot:
// the files named next must never be deleted from another directory.
int EnterInstallDir(void)
{
    char dir[kPathSize];
    ProgramDirOf(gState.ownPath, dir, sizeof dir);
    // "C:" alone would be the drive's current directory, not its root.
    if (strlen(dir) == 2 && dir[1] == ':')
        AppendText(dir, sizeof dir, "\\");
    return dir[0] != '\0' && SetCurrentDirectoryA(dir);
}

// Reads the three values from setup.ini in the current directory. Returns
// 0 when it cannot be opened.
int ReadUninstallScript(UninstallValues *values)
{
    FILE *script = fopen("setup.ini", "r");
    if (script == NULL)
        return 0;
    char line[256];
    while (fgets(line, sizeof line, script) != NULL) {
        StripLineEnd(line);
        ReadUninstallLine(line, values);
    }
    fclose(script);
    return 1;
}

// Where the second stage is copied to: C:\TEMP\XNINSTAL.EXE, or the user's
// temporary folder when there is no C:\TEMP, so the uninstaller and the
// directory are not left behind. Returns 0 when neither is known.
int RelayPath(char *path, size_t cap)
{
    DWORD attributes = GetFileAttributesA("C:\\TEMP");
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return CopyText(path, cap, kRelayPath) == strlen(kRelayPath);
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp)
        return 0;
    int written = snprintf(path, cap, "%s%s%s", temp, EndsWithBackslash(temp) ? "" : "\\",
                           kRelayName);
    return written > 0 && (size_t)written < cap;
}

// Copies UNINSTAL.EXE of the current directory to relay, byte for byte, in
// blocks of the work buffer. Returns 0 when it could not be made whole; a
// partial copy is removed, for it must never be started.
int CopyUninstaller(const char *relay)
{
    FILE *from = fopen("UNINSTAL.EXE", "rb");
    if (from == NULL)
        return 0;
    FILE *to = fopen(relay, "wb");
    if (to == NULL) {
        fclose(from);
        return 0;
    }
    int whole = 1;
    size_t got;
    do {
        got = fread(gState.workBuf, 1, sizeof gState.workBuf, from);
        if (fwrite(gState.workBuf, 1, got, to) != got) {
            whole = 0;
            break;
        }
    } while (got == sizeof gState.workBuf);
    if (ferror(from))
        whole = 0;
    fclose(from);
    if (fclose(to) != 0)
        whole = 0;
    if (!whole)
        DeleteFileA(relay);
    return whole;
}

}  // namespace

int RunUninstall(void)
{
    // A silent run is its own consent: nothing is asked.
    if (!gState.silent &&
        MessageBoxA(NULL, "Are you sure you want to uninstall?", "Uninstall", MB_OKCANCEL) !=
            IDOK)
        return kExitStopped;
    if (!EnterInstallDir())
        return kExitStopped;
    UninstallValues values;
    memset(&values, 0, sizeof values);
    if (!ReadUninstallScript(&values)) {
        Tell("couldn't open .ini", "", MB_OK, IDOK);
        return kExitStopped;
    }

    HWND progman = FindWindowA("PROGMAN", NULL);
    if (progman != NULL && IsWindow(progman))
        ShowWindow(progman, SW_RESTORE);
    // The group as it was made, and once more as the script writes it, which
    // an installation that kept the quotes may have made. A name that is no
    // plain group name is never sent: the shell would delete the whole
    // Programs folder for an empty one, or a folder of the user's for a name
    // it reads differently. An unquoted value is not sent as written: no
    // installation made a group of that name.
    QuotedValueName(values.folderTitle, gState.groupName, sizeof gState.groupName);
    char group[kPathSize + 2];
    if (IsPlainGroupName(gState.groupName) &&
        GroupArgumentOf(gState.groupName, group, sizeof group)) {
        ProgmanDeleteGroup(group, "PROGMAN");
        if (IsQuotedValue(values.folderTitle) && strcmp(group, values.folderTitle) != 0)
            ProgmanDeleteGroup(values.folderTitle, "PROGMAN");
    }

    const char *names[kUninstallFileCount];
    size_t count = UninstallFileList(&values, names);
    for (size_t i = 0; i < count; ++i)
        DeleteFileA(names[i]);

    char relay[kPathSize], cmdLine[2 * kPathSize + 4];
    if (!RelayPath(relay, sizeof relay) ||
        !RelayCommandLine(relay, gState.ownPath, cmdLine, sizeof cmdLine) ||
        !CopyUninstaller(relay))
        return kExitComplete;
    // The second stage inherits the installation drive's root as its
    // current directory, so nothing holds the installation directory.
    SetCurrentDirectoryA("\\");
    WinExec(cmdLine, SW_SHOW);
    return kExitComplete;
}

void RunTempUninstaller(const char *upperCmdLine)
{
    WaitSeconds(kRelayWaitSeconds);
    // Only an uninstaller is ever deleted here, whatever the command line
    // says, and its directory only when nothing else is left in it.
    if (!IsUninstallerPath(upperCmdLine))
        return;
    DeleteFileA(upperCmdLine);
    char dir[kPathSize];
    if (!UninstallDirOf(upperCmdLine, dir, sizeof dir))
        return;
    DWORD attributes = GetFileAttributesA(dir);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return;
    RemoveDirectoryA(dir);
}
