#include "startup.h"

#include <objbase.h>

#include "../../common/ansi_code_page.h"
#include "../install/uninstall.h"
#include "../payload/directory.h"
#include "../payload/media.h"
#include "dialogs.h"
#include "main_window.h"
#include "run_mode.h"
#include "state.h"
#include "../../common/text.h"
#include "unattended.h"

SetupState gState;

// Libraries are looked for in the system directory only, never in the
// current or the program's directory, where a planted copy could wait. Looked
// up at run time: older systems lack the call (and then at least drop the
// current directory from the search).
static void RestrictLibrarySearch(void)
{
    typedef BOOL(WINAPI * SetDefaultDirsFn)(DWORD);
    typedef BOOL(WINAPI * SetDllDirFn)(LPCSTR);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == NULL)
        return;
    SetDefaultDirsFn setDefault =
        (SetDefaultDirsFn)(void *)GetProcAddress(kernel, "SetDefaultDllDirectories");
    if (setDefault != NULL && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    SetDllDirFn setDllDir = (SetDllDirFn)(void *)GetProcAddress(kernel, "SetDllDirectoryA");
    if (setDllDir != NULL)
        setDllDir("");
}

// Dialogs 103 and 104 hold progress bar controls, whose class the common
// controls library registers. Loaded at run time by its full path in the
// system directory: imported, it would be resolved from the program's own
// folder (a CD-ROM anyone can write) before any search order could be
// restricted. It stays loaded for the program's life, as its class must.
static void LoadCommonControls(void)
{
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return;
    if (AppendText(path, sizeof path, "\\COMCTL32.DLL") != length + 13)
        return;
    HMODULE library = LoadLibraryA(path);
    if (library == NULL)
        return;
    typedef void(WINAPI * InitFn)(void);
    InitFn init = (InitFn)(void *)GetProcAddress(library, "InitCommonControls");
    if (init != NULL)
        init();
}

int SetupMain(HINSTANCE instance, const char *cmdLine)
{
    gState.hInstance = instance;
    // Before any path or name is looked at: its characters may be of two
    // bytes.
    LoadAnsiCodePage();
    RestrictLibrarySearch();
    CoInitialize(NULL);
    LoadCommonControls();
    gState.cancelled = 0;
    gState.stepDelay = 1;

    char upperCmdLine[256] = "";
    if (cmdLine != NULL && cmdLine[0] != '\0') {
        CopyText(upperCmdLine, sizeof upperCmdLine, cmdLine);
        UpperCase(upperCmdLine);
    }

    GetModuleFileNameA(NULL, gState.ownPath, sizeof gState.ownPath);
    gState.ownPath[sizeof gState.ownPath - 1] = '\0';
    ProgramDirOf(gState.ownPath, gState.programDir, sizeof gState.programDir);

    BeginUnattended(cmdLine);
    switch (RunModeFor(gState.ownPath, upperCmdLine)) {
    case kRunUninstall: {
        int status = RunUninstall();
        return gState.silent ? status : 0;
    }
    case kRunTempUninstaller:
        RunTempUninstaller(upperCmdLine);
        return 0;
    case kRunDeletableNotice:
        MessageBoxA(NULL, "This file can be deleted.  Thank you.", gState.ownPath, MB_OK);
        return 0;
    case kRunInstaller:
        break;
    }

    if (!ReadPayloadDirectory() || !CheckLaunchMedia())
        return gState.silent ? kExitStopped : 0;
    if (gState.silent)
        return RunSilentInstallation();
    if (!OpenMainWindow())
        return 0;
    ShowBranding();
    OpenDestinationDialog();
    ShowReadme();
    ShowWindow(gState.hMainWnd, SW_SHOW);
    UpdateWindow(gState.hMainWnd);
    RunMainLoop();
    return 0;
}
