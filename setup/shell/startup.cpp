#include "startup.h"

#include <objbase.h>

#include <stdio.h>

#include "common/ansi_code_page.h"
#include "common/log_file.h"
#include "common/switches.h"
#include "common/text.h"
#include "setup/install/uninstall.h"
#include "setup/payload/directory.h"
#include "setup/payload/media.h"
#include "dialogs.h"
#include "exit_status.h"
#include "installation.h"
#include "main_window.h"
#include "output.h"
#include "run_mode.h"
#include "state.h"

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

// Reads the switches of an unattended run (SETUP.EXE /S [/LOG=FILE]
// [/D=DIR], UNINSTAL.EXE /S [/LOG=FILE]) into the state. Without /S nothing
// changes. A silent run that could not keep its word does not start:
// returns 0 for a log that cannot be written and for a word that is no
// switch (a misspelt one, or a path cut at its blank), whose meaning no one
// can be asked about.
static int ReadSwitches(const char *cmdLine)
{
    UnattendedSwitches switches;
    ReadUnattendedSwitches(cmdLine != NULL ? cmdLine : "", &switches);
    gState.silent = switches.silent;
    if (!gState.silent)
        return 1;
    // The step delay paces what the screen shows; a silent run has no one
    // to pace for. Nor may the system ask about a drive without a disc or
    // a file it cannot open: such a box would wait for ever.
    gState.stepDelay = 0;
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    if (switches.logGiven &&
        (!switches.logWhole ||
         !FullLogPath(switches.logPath, gState.logPath, sizeof gState.logPath)))
        return 0;
    if (switches.strayGiven) {
        char text[kSwitchWordSize + 32];
        snprintf(text, sizeof text, "Unknown argument: %s", switches.stray);
        Tell(text, "Error", MB_OK, IDOK);
        return 0;
    }
    gState.destGiven = switches.destGiven;
    gState.destWhole = switches.destWhole;
    CopyText(gState.silentDest, sizeof gState.silentDest, switches.destDir);
    return 1;
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

    const RunMode mode = RunModeFor(gState.ownPath, upperCmdLine);
    // The relay's command line is what the uninstaller handed over, not
    // switches.
    if (mode == kRunTempUninstaller) {
        RunTempUninstaller(cmdLine, upperCmdLine);
        return 0;
    }
    if (!ReadSwitches(cmdLine))
        return kExitStopped;
    switch (mode) {
    case kRunUninstall: {
        int status = RunUninstall();
        return gState.silent ? status : 0;
    }
    case kRunDeletableNotice:
        Tell("This file can be deleted.  Thank you.", gState.ownPath, MB_OK, IDOK);
        return 0;
    case kRunTempUninstaller:
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
