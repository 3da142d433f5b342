#include "uninstall.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "common/text.h"
#include "setup/shell/exit_status.h"
#include "setup/shell/output.h"
#include "setup/shell/run_mode.h"
#include "setup/shell/state.h"
#include "setup/shell/wait.h"
#include "program_group.h"
#include "program_items.h"
#include "script_values.h"
#include "uninstall_list.h"

namespace {

const char kRelayName[] = "XNINSTAL.EXE";
// A relay started by hand with only a path waits as the first relays did.
const double kBareRelayWaitSeconds = 10;
// The uninstaller ends right after starting its relay; one still running
// after this long is not ending, and its file is left alone.
const DWORD kRelayWaitMs = 60000;

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

void TakeUninstallLine(const char *line, long, void *values)
{
    ReadUninstallLine(line, (UninstallValues *)values);
}

// Reads the three values from setup.ini in the current directory. Returns
// 0 when it cannot be opened.
int ReadUninstallScript(UninstallValues *values)
{
    FILE *script = fopen("setup.ini", "rb");
    if (script == NULL)
        return 0;
    ReadScriptLines(script, TakeUninstallLine, values);
    fclose(script);
    return 1;
}

// Deletes a file of the installation directory. Returns 0 when it is
// still there: read-only, in use, or refused; the log names it.
int RemoveInstalledFile(const char *name)
{
    if (DeleteFileA(name))
        return 1;
    DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
        return 1;
    char dir[kPathSize] = "", text[2 * kPathSize + 32];
    DWORD got = GetCurrentDirectoryA(sizeof dir, dir);
    if (got == 0 || got >= sizeof dir)
        dir[0] = '\0';
    snprintf(text, sizeof text, "Cannot remove: %s%s%s", dir,
             EndsWithBackslash(dir) ? "" : "\\", name);
    LogShown(text);
    return 0;
}

}  // namespace

void FileIdentity(const char *path, char *out, size_t cap)
{
    CopyText(out, cap, "");
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return;
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(file, &info))
        snprintf(out, cap, "%08lX-%08lX%08lX-%08lX%08lX-%08lX%08lX",
                 (unsigned long)info.dwVolumeSerialNumber, (unsigned long)info.nFileIndexHigh,
                 (unsigned long)info.nFileIndexLow,
                 (unsigned long)info.ftLastWriteTime.dwHighDateTime,
                 (unsigned long)info.ftLastWriteTime.dwLowDateTime,
                 (unsigned long)info.nFileSizeHigh, (unsigned long)info.nFileSizeLow);
    CloseHandle(file);
}

namespace {

// A folder of this uninstall's own for its relay, under the user's
// temporary folder: two uninstalls never share a relay file, and no folder
// that every user may write to (C:\TEMP) holds a program that is started.
// Returns 0 when none could be made.
int MakeRelayFolder(char *folder, size_t cap)
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp)
        return 0;
    const char *sep = EndsWithBackslash(temp) ? "" : "\\";
    for (DWORD n = 0; n < 100; ++n) {
        int written = snprintf(folder, cap, "%s%sUninstall-%lX-%lX", temp, sep,
                               (unsigned long)GetCurrentProcessId(), (unsigned long)n);
        if (written <= 0 || (size_t)written >= cap)
            return 0;
        if (CreateDirectoryA(folder, NULL))
            return 1;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return 0;
    }
    return 0;
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

// Hands over to a copy of the uninstaller in a folder of its own, started
// with this process's handle to wait on and the uninstaller file's
// identity. Returns 0, having made nothing that stays, when it could not.
int StartRelay(void)
{
    char folder[kPathSize], relay[kPathSize], identity[kFileIdentitySize];
    if (!MakeRelayFolder(folder, sizeof folder))
        return 0;
    const int named = snprintf(relay, sizeof relay, "%s\\%s", folder, kRelayName) <
                      (int)sizeof relay;
    FileIdentity(gState.ownPath, identity, sizeof identity);
    HANDLE self = NULL;
    int started = 0;
    if (named && identity[0] != '\0' && CopyUninstaller(relay) &&
        DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                        SYNCHRONIZE, TRUE, 0)) {
        char cmdLine[3 * kPathSize];
        STARTUPINFOA si = {};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi = {};
        // The relay inherits the installation drive's root as its current
        // directory, so nothing holds the installation directory.
        SetCurrentDirectoryA("\\");
        if (RelayCommandLine(relay, (uint64_t)(uintptr_t)self, identity, gState.ownPath,
                             cmdLine, sizeof cmdLine) &&
            CreateProcessA(NULL, cmdLine, NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi)) {
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
            started = 1;
        }
        CloseHandle(self);
    }
    if (!started) {
        DeleteFileA(relay);
        RemoveDirectoryA(folder);
    }
    return started;
}

// The relay's own file and folder, once its work is done. Windows keeps a
// running program's file; the system then removes both at the next start
// where it may, else the relay alone stays in its folder.
void RemoveRelay(void)
{
    int slash = LastBackslash(gState.ownPath);
    if (slash < 0 || !EqualsNoCase(gState.ownPath + slash + 1, kRelayName))
        return;  // only ever a relay's own file
    char folder[kPathSize];
    ProgramDirOf(gState.ownPath, folder, sizeof folder);
    if (!DeleteFileA(gState.ownPath))
        MoveFileExA(gState.ownPath, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
    if (folder[0] != '\0' && !RemoveDirectoryA(folder))
        MoveFileExA(folder, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// Deletes the uninstaller at path and then its directory, when that is
// empty.
void RemoveUninstaller(const char *path)
{
    if (!IsUninstallerPath(path))
        return;
    DeleteFileA(path);
    char dir[kPathSize];
    if (!UninstallDirOf(path, dir, sizeof dir))
        return;
    DWORD attributes = GetFileAttributesA(dir);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return;
    RemoveDirectoryA(dir);
}

}  // namespace

int RunUninstall(void)
{
    // A silent run is its own consent.
    if (Tell("Are you sure you want to uninstall?", "Uninstall", MB_OKCANCEL, IDOK) != IDOK)
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
    int status = kExitComplete;
    if (IsPlainGroupName(gState.groupName) &&
        GroupArgumentOf(gState.groupName, group, sizeof group)) {
        if (!ProgmanDeleteGroup(group, "PROGMAN"))
            status = kExitIncomplete;
        if (IsQuotedValue(values.folderTitle) && strcmp(group, values.folderTitle) != 0)
            ProgmanDeleteGroup(values.folderTitle, "PROGMAN");
    }

    // setup.ini goes last, and only when everything else went: an
    // uninstaller that could not remove a file (read-only, in use) keeps its
    // script and itself, so it can be run again once the file is free.
    const char *names[kUninstallFileCount];
    size_t count = UninstallFileList(&values, names);
    int stayed = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!EqualsNoCase(names[i], "setup.ini") && !RemoveInstalledFile(names[i]))
            stayed = 1;
    }
    if (stayed || !RemoveInstalledFile("setup.ini")) {
        Tell("Some files could not be removed. Close the programs that use them and run "
             "Uninstall again.",
             "Uninstall", MB_OK, IDOK);
        return kExitIncomplete;
    }
    // Without its relay the uninstaller and the directory stay, as they
    // would after a relay that could not start.
    if (!StartRelay()) {
        LogShown("Cannot start the second stage of the uninstall: UNINSTAL.EXE stays.");
        return kExitIncomplete;
    }
    return status;
}

void RunTempUninstaller(const char *cmdLine, const char *upperCmdLine)
{
    RelayOrder order;
    if (!ReadRelayOrder(cmdLine != NULL ? cmdLine : "", &order) || order.identity[0] == '\0') {
        // Only a path: the uninstaller it names has had its time to end.
        WaitSeconds(kBareRelayWaitSeconds);
        RemoveUninstaller(upperCmdLine);
        return;
    }
    HANDLE uninstaller = (HANDLE)(uintptr_t)order.process;
    const int ended = uninstaller != NULL &&
                      WaitForSingleObject(uninstaller, kRelayWaitMs) == WAIT_OBJECT_0;
    if (uninstaller != NULL)
        CloseHandle(uninstaller);
    // Only the very file that handed over is deleted: an installation made
    // into the same folder since has written an uninstaller of its own.
    char now[kFileIdentitySize];
    FileIdentity(order.path, now, sizeof now);
    if (ended && strcmp(now, order.identity) == 0)
        RemoveUninstaller(order.path);
    RemoveRelay();
}
