#include "program_group.h"

#include <windows.h>
#include <ddeml.h>
#include <objbase.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include "common/text.h"
#include "setup/shell/output.h"
#include "setup/shell/state.h"
#include "setup/shell/wait.h"
#include "program_items.h"
#include "script_values.h"
#include "status.h"

namespace {

const char kNoProgman[] = "Cannot connect to the Program Manager.";

enum {
    kShowGroupTimeoutMs = 10000,
    kCommandTimeoutMs = 100,
    kItemBufSize = 2 * kPathSize,  // a drive, a script value and a fixed prefix
};

// The conversation ProgmanAddItem and ProgmanDeleteGroup share, made afresh
// for every command. The callback clears conv when the server hangs up
// first, so a conversation that is gone is never disconnected again.
struct ProgmanClient {
    DWORD instance;  // DDEML instance, 0 when none
    HSZ service;     // the service name
    HSZ topic;       // 0 (any topic of the service), or the topic named
                     // like the service when no server took any topic
    HCONV conv;      // the conversation while it lasts
};

ProgmanClient gProgman;

HDDEDATA CALLBACK NoteDisconnect(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    if (type == XTYP_DISCONNECT)
        gProgman.conv = NULL;
    return 0;
}

HDDEDATA CALLBACK IgnoreDde(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR)
{
    return 0;
}

void CloseProgman(void)
{
    if (gProgman.conv != NULL)
        DdeDisconnect(gProgman.conv);
    if (gProgman.instance != 0) {
        if (gProgman.service != NULL)
            DdeFreeStringHandle(gProgman.instance, gProgman.service);
        if (gProgman.topic != NULL)
            DdeFreeStringHandle(gProgman.instance, gProgman.topic);
        DdeUninitialize(gProgman.instance);
    }
    memset(&gProgman, 0, sizeof gProgman);
}

// Connects to the service under any topic. Returns 0, having told the
// user, when no conversation came of it.
int OpenProgman(const char *service)
{
    memset(&gProgman, 0, sizeof gProgman);
    if (DdeInitializeA(&gProgman.instance, NoteDisconnect, APPCMD_CLIENTONLY, 0) !=
        DMLERR_NO_ERROR) {
        gProgman.instance = 0;
        Tell(kNoProgman, "Error", MB_OK, IDOK);
    } else {
        gProgman.service = DdeCreateStringHandleA(gProgman.instance, service, CP_WINANSI);
    }
    // A zero service handle would connect to every server there is.
    if (gProgman.service != NULL)
        gProgman.conv = DdeConnect(gProgman.instance, gProgman.service, NULL, NULL);
    // Some servers of the service (Wine's shell) answer only under a named
    // topic; Program Manager's one topic is named like its service.
    if (gProgman.service != NULL && gProgman.conv == NULL) {
        gProgman.topic = DdeCreateStringHandleA(gProgman.instance, service, CP_WINANSI);
        if (gProgman.topic != NULL)
            gProgman.conv =
                DdeConnect(gProgman.instance, gProgman.service, gProgman.topic, NULL);
    }
    if (gProgman.conv == NULL) {
        Tell(kNoProgman, "Error", MB_OK, IDOK);
        CloseProgman();
        return 0;
    }
    return 1;
}

// Executes a command made to measure, terminator included, on the open
// conversation. The outcome is not asked for.
void ExecuteOnProgman(const char *command, size_t length, UINT format)
{
    DdeClientTransaction((LPBYTE)command, (DWORD)length + 1, gProgman.conv, NULL, format,
                         XTYP_EXECUTE, kCommandTimeoutMs, NULL);
}

// The process's current directory without a trailing backslash.
void InstallDir(char *dir, size_t cap)
{
    DWORD length = GetCurrentDirectoryA((DWORD)cap, dir);
    if (length == 0 || length >= cap) {
        CopyText(dir, cap, "");
        return;
    }
    if (EndsWithBackslash(dir))
        dir[length - 1] = '\0';
}

// The current user's Start-menu Programs folder. Returns 0 when the shell
// does not know it.
int ProgramsFolder(char *path, size_t cap)
{
    char found[MAX_PATH] = "";
    LPITEMIDLIST list = NULL;
    if (FAILED(SHGetSpecialFolderLocation(NULL, CSIDL_PROGRAMS, &list)) || list == NULL)
        return 0;
    BOOL ok = SHGetPathFromIDListA(list, found);
    CoTaskMemFree(list);
    if (!ok || found[0] == '\0')
        return 0;
    return CopyText(path, cap, found) == strlen(found);
}

}  // namespace

int CreateGroupFolder(const char *group)
{
    char programs[kPathSize], folder[kPathSize];
    // Without the Programs folder the name alone would make a folder in the
    // current directory or at the drive root.
    if (!ProgramsFolder(programs, sizeof programs) ||
        !GroupFolderOf(programs, group, folder, sizeof folder))
        return 0;
    if (!CreateDirectoryA(folder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
        return 0;
    SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA, folder, NULL);
    return 1;
}

namespace {

// Saves the link "<Programs>\<group>\<name>.lnk" to target with arguments
// (none when NULL) and the icon, when one is given. Returns 0, having told
// the user, when it could not be saved.
int SaveLink(const char *target, const char *arguments, const char *name, const char *group,
             const char *icon)
{
    char programs[kPathSize], linkPath[kPathSize];
    const int havePath = ProgramsFolder(programs, sizeof programs) &&
                         LinkPathOf(programs, group, name, linkPath, sizeof linkPath);

    int saved = 0;
    IShellLinkA *link = NULL;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   (void **)&link)) &&
        link != NULL) {
        link->SetPath(target);
        link->SetDescription("");
        if (arguments != NULL)
            link->SetArguments(arguments);
        if (icon != NULL)
            link->SetIconLocation(icon, 0);
        IPersistFile *file = NULL;
        if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file)) && file != NULL) {
            WCHAR widePath[MAX_PATH];
            saved = havePath &&
                    MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, MAX_PATH) > 0 &&
                    SUCCEEDED(file->Save(widePath, TRUE));
            file->Release();
        }
        link->Release();
    }
    if (!saved) {
        Tell("Failed to Create Program Group", "Error", MB_OK, IDOK);
        NoteStepFailedOn("Cannot create the link: %s", name);
    }
    return saved;
}

// Program Manager's AddItem made as a link of the group: the command's
// first word is the program, the rest its arguments. A silent run makes its
// items so, since Program Manager opens the group's window to add to it.
void AddItemLink(const char *cmdLine, const char *title, const char *icon)
{
    char program[kItemBufSize];
    const char *arguments = strchr(cmdLine, ' ');
    size_t length = arguments != NULL ? (size_t)(arguments - cmdLine) : strlen(cmdLine);
    CopyTextN(program, sizeof program, cmdLine, length);
    if (arguments != NULL)
        ++arguments;
    if (!IsPlainGroupName(title)) {
        NoteStepFailedOn("Cannot create the link: %s", title);
        return;
    }
    SaveLink(program, arguments, title, gState.groupName, icon);
}

}  // namespace

int CreateShortcut(const char *target, const char *name, const char *group, const char *icon)
{
    return SaveLink(target, NULL, name, group, TakesIconLocation(target) ? icon : NULL);
}

int ProgmanShowGroup(void)
{
    DWORD instance = 0;
    if (DdeInitializeA(&instance, IgnoreDde, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
        Tell("DDEML Initialization Failure", "Error", MB_OK, IDOK);
        return 0;
    }
    char command[kShowGroupCommandSize];
    HSZ progman = DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI);
    if (progman != NULL && ShowGroupCommand(gState.groupName, command, sizeof command)) {
        CONVCONTEXT context;
        memset(&context, 0, sizeof context);
        context.cb = sizeof context;
        HCONV conv = DdeConnect(instance, progman, progman, &context);
        if (conv != NULL) {
            // The handle carries the text without its terminator; the
            // transaction takes it over, whatever its outcome.
            HDDEDATA data = DdeCreateDataHandle(instance, (LPBYTE)command, (DWORD)strlen(command),
                                                0, NULL, CF_TEXT, 0);
            if (data != NULL) {
                DWORD result = 0;
                if (DdeClientTransaction((LPBYTE)data, (DWORD)-1, conv, NULL, 0, XTYP_EXECUTE,
                                         kShowGroupTimeoutMs, &result) != 0)
                    gState.groupShown = 1;
                else
                    result = DdeGetLastError(instance);
                (void)result;  // Program Manager's answer changes nothing else
            }
            DdeDisconnect(conv);
        }
    }
    if (progman != NULL)
        DdeFreeStringHandle(instance, progman);
    DdeUninitialize(instance);
    return 1;
}

void ProgmanAddItem(const char *cmdLine, const char *title, const char *icon, const char *service)
{
    if (!OpenProgman(service))
        return;
    size_t length = AddItemCommand(cmdLine, title, icon, NULL, 0);
    char *command = (char *)LocalAlloc(LPTR, length + 1);
    if (command != NULL) {
        AddItemCommand(cmdLine, title, icon, command, length + 1);
        ExecuteOnProgman(command, length, 0);
        LocalFree(command);
    }
    CloseProgman();
}

int ProgmanDeleteGroup(const char *group, const char *service)
{
    if (!OpenProgman(service))
        return 0;
    size_t length = DeleteGroupCommand(group, NULL, 0);
    char *command = (char *)LocalAlloc(LPTR, length + 1);
    if (command != NULL) {
        DeleteGroupCommand(group, command, length + 1);
        ExecuteOnProgman(command, length, CF_TEXT);
        LocalFree(command);
    }
    CloseProgman();
    return 1;
}

int CreateProgramGroup(void)
{
    const ScriptValues *s = &gState.script;
    char installDir[kPathSize];
    InstallDir(installDir, sizeof installDir);

    char target[kPathSize], icon[kPathSize], path[kPathSize];
    // A target or icon path cut to fit would name another file: no such
    // link then.
    const int targetWhole = MainTargetOf(gState.ownPath[0], installDir, s->mainFile,
                                         s->romResident, target, sizeof target);
    if (!targetWhole)
        target[0] = '\0';
    CopyText(gState.MainTarget, sizeof gState.MainTarget, target);
    const int iconWhole = InstallPathOf(installDir, s->iconFile, icon, sizeof icon);
    QuotedValueName(s->folderTitle, gState.groupName, sizeof gState.groupName);
    QuotedValueName(s->iconTitle, gState.mainTitle, sizeof gState.mainTitle);

    // A name that is not one plain name would put the links into the
    // Programs folder itself or outside it: no group at all then, and no
    // main link for such a title; the installation goes on without them.
    const int group = IsPlainGroupName(gState.groupName);
    if (!group)
        NoteStepFailedOn("Cannot create the program group: %s", gState.groupName);
    SetMeter(82);
    if (group && !CreateGroupFolder(gState.groupName))
        NoteStepFailedOn("Cannot create the program group: %s", gState.groupName);
    if (group) {
        if (targetWhole && iconWhole && IsPlainGroupName(gState.mainTitle))
            CreateShortcut(target, gState.mainTitle, gState.groupName, icon);
        else
            NoteStepFailedOn("Cannot create the link: %s", gState.mainTitle);
    }
    SetMeter(84);
    if (group) {
        if (InstallPathOf(installDir, "UNINSTAL.EXE", path, sizeof path) &&
            InstallPathOf(installDir, "UNINSTAL.ICO", icon, sizeof icon))
            CreateShortcut(path, "Uninstall", gState.groupName, icon);
        else
            NoteStepFailedOn("Cannot create the link: %s", "Uninstall");
        if (InstallPathOf(installDir, "README.TXT", path, sizeof path))
            CreateShortcut(path, "Readme", gState.groupName, "NULL");
        else
            NoteStepFailedOn("Cannot create the link: %s", "Readme");
    }
    SetMeter(86);
    // The group and its links are made above; ShowGroup only shows them,
    // and the shell answers it by opening the group's folder window, which
    // a silent run must not. The pause lets the reader see the group.
    if (group && !gState.silent)
        ProgmanShowGroup();
    PauseSeconds(2);
    SetMeter(88);
    ArrowCursor();
    return 1;
}

int AddProgmanItems(void)
{
    const ScriptValues *s = &gState.script;
    const char drive = gState.ownPath[0];
    char installDir[kPathSize];
    InstallDir(installDir, sizeof installDir);
    char document[kItemBufSize], cmdLine[kItemBufSize], icon[kItemBufSize];
    snprintf(document, sizeof document, "%c:%s", drive, s->wriFile);
    snprintf(icon, sizeof icon, "%s\\%s", installDir, "SETUP.ICO");

    if (gState.silent) {
        if (!IsPlainGroupName(gState.groupName))
            return 0;  // no group to add to: noted when it was refused
        // An item without a program would start nothing: only those the
        // script names are made.
        snprintf(cmdLine, sizeof cmdLine, "WRITE.EXE %s", document);
        AddItemLink(cmdLine, s->wriTitle, "WRITE.EXE");
        snprintf(cmdLine, sizeof cmdLine, "%c:%s", drive, s->setup2);
        if (s->setup2[0] != '\0')
            AddItemLink(cmdLine, s->s2Title, icon);
        snprintf(cmdLine, sizeof cmdLine, "%c:%s", drive, s->setup3);
        if (s->setup3[0] != '\0')
            AddItemLink(cmdLine, s->s3Title, icon);
        return 1;
    }

    // Program Manager adds items to its active group: without the package's
    // group shown they would land in whatever group the user had open.
    HWND progman = FindWindowA("PROGMAN", NULL);
    if (!gState.groupShown || progman == NULL || !IsWindow(progman)) {
        NoteStepFailedOn("Cannot add the items of: %s", document);
        return 0;
    }
    HourglassCursor();
    ShowWindow(progman, SW_RESTORE);

    snprintf(cmdLine, sizeof cmdLine, "WRITE.EXE %s", document);
    ProgmanAddItem(cmdLine, s->wriTitle, "WRITE.EXE", "PROGMAN");
    snprintf(cmdLine, sizeof cmdLine, "%c:%s", drive, s->setup2);
    ProgmanAddItem(cmdLine, s->s2Title, icon, "PROGMAN");
    snprintf(cmdLine, sizeof cmdLine, "%c:%s", drive, s->setup3);
    ProgmanAddItem(cmdLine, s->s3Title, icon, "PROGMAN");

    // Lets the reader see the items before Program Manager is put away.
    WaitSeconds(3);
    ShowWindow(progman, SW_MINIMIZE);
    ArrowCursor();
    return 1;
}
