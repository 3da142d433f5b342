#include "sequence.h"

#include <stdio.h>
#include <string.h>

#include "acrobat/acrobat.h"
#include "common/text.h"
#include "setup/resource.h"
#include "setup/shell/output.h"
#include "setup/shell/state.h"
#include "setup/shell/wait.h"
#include "find_acrobat.h"
#include "program_group.h"
#include "script_values.h"
#include "setup_acrobat.h"
#include "status.h"
#include "viewer_names.h"

// The longest a silent run waits for embed, which is our own program and
// ends by itself unless something holds it.
const DWORD kSilentEmbedWaitMs = 600 * 1000;
const DWORD kEndWaitMs = 5000;

static void StepDelay(void)
{
    WaitSeconds(gState.stepDelay);
}

// The main window was closed (or the program otherwise told to end), or a
// silent run gave up waiting: the sequence stops at its next step instead
// of going on without an owner for its dialogs, or without what it waited
// for.
static int Ended(void)
{
    return gState.cancelled || gState.timedOut;
}

// Script values and the paths made from them are refused, not cut, when
// they do not fit: a cut name is some other file or directory.

void CreateScriptDirectory(const char *value)
{
    char path[kPathSize];
    DWORD length = GetCurrentDirectoryA(sizeof path, path);
    if (length == 0 || length + strlen(value) >= sizeof path) {
        NoteStepFailedOn("Cannot make the directory: %s", value);
        return;
    }
    AppendText(path, sizeof path, value);
    // One that is there already is what the line asks for.
    if (!CreateDirectoryA(path, NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
        NoteStepFailedOn("Cannot make the directory: %s", path);
}

void CopySetupFile(const char *value)
{
    char source[kPathSize], target[kPathSize];
    if (strlen(value) > kScriptFileValueMax ||
        !CopyFilePaths(gState.ownPath[0], gState.destDir, value, source, target, kPathSize)) {
        NoteStepFailedOn("Cannot copy: %s", value);
        return;
    }
    SetStatus("Copying Files...");
    if (!CopyFileA(source, target, FALSE))
        NoteStepFailedOn("Cannot copy: %s", source);
    DWORD attributes = GetFileAttributesA(target);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
}

void MoveInstalledFile(const char *value)
{
    char source[kPathSize], target[kPathSize];
    if (strlen(value) > kScriptFileValueMax ||
        !MoveFilePaths(gState.destDir, value, source, target, kPathSize)) {
        NoteStepFailedOn("Cannot move: %s", value);
        return;
    }
    SetStatus("Copying Files...");
    // The file is deleted only once its copy is in place, and never when it
    // already is where the value names.
    if (lstrcmpiA(source, target) == 0)
        return;
    if (CopyFileA(source, target, FALSE))
        DeleteFileA(source);
    else
        NoteStepFailedOn("Cannot move: %s", source);
}

// One line of the script: a setting is stored, a file operation runs.
static void TakeInstallLine(const char *line, long, void *)
{
    const char *value = NULL;
    switch (ReadScriptLine(line, &gState.script, &value)) {
    case kScriptCopyDir:
    case kScriptMakeDir:
        CreateScriptDirectory(value);
        break;
    case kScriptCopyFile:
        CopySetupFile(value);
        break;
    case kScriptMoveFile:
        MoveInstalledFile(value);
        break;
    case kScriptNoOp:
        break;
    }
}

// Reads the script, storing its settings and running its file operations
// line by line. Returns 0 when it cannot be opened.
static int ReadInstallScript(void)
{
    FILE *script = fopen("setup.ini", "rb");
    if (script == NULL)
        return 0;
    ReadScriptLines(script, TakeInstallLine, NULL);
    fclose(script);
    if (gState.script.minst[0] == '2')
        gState.installMode = 2;
    return 1;
}

void MovePlugin(const char *plugin)
{
    char source[kPathSize], target[kPathSize];
    int sourceLength = snprintf(source, sizeof source, "%s\\%s", gState.destDir, plugin);
    int targetLength = snprintf(target, sizeof target, "%s\\PLUG_INS\\%s", gState.acrobatDir,
                                plugin);
    const int sourceFits = sourceLength > 0 && sourceLength < (int)sizeof source;
    const int targetFits = targetLength > 0 && targetLength < (int)sizeof target;
    SetStatus("Copying Files...");
    SetMeter(59);
    if (!sourceFits || !targetFits || !CopyFileA(source, target, FALSE)) {
        SetStatus("Tarnwick was unable to copy to your Acrobat plug-ins directory.");
        NoteStepFailedOn("Cannot copy the plug-in: %s", plugin);
        PauseSeconds(2);  // for the reader of the line
    }
    // The staged copy goes either way, but only by its own whole name.
    if (sourceFits)
        DeleteFileA(source);
}

int RunEmbed(const char *sourceDrive)
{
    SetStatus("Detecting Operating System Version...");
    SetMeter(62);
    if (ValueSaysNo(gState.script.romResident)) {
        StepDelay();
        if (strlen(gState.acrobatExeName) < 8) {
            FindAcrobat();
            if (gState.acrobatUnsupported || Ended())
                return 0;
        }
        if (IsWin32ViewerName(gState.acrobatExeName)) {
            SetStatus("Installing for Windows 95/98/NT.");
            SetMeter(64);
        }
    }
    StepDelay();

    char root[kSourceDriveSize];
    CopyText(root, sizeof root, sourceDrive);
    DriveRootOf(root, sizeof root);
    char curDir[kPathSize];
    GetCurrentDirectoryA(sizeof curDir, curDir);
    curDir[sizeof curDir - 1] = '\0';
    char cmdLine[2 * kPathSize + 16];
    int whole = EmbedCommandLine(curDir, root, cmdLine, sizeof cmdLine);
    // embed runs silently too, and writes into the same log.
    if (whole && gState.silent)
        whole = SilentEmbedSwitches(gState.logPath, cmdLine, sizeof cmdLine);

    SetMeter(66);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!whole || !CreateProcessA(NULL, cmdLine, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        // Name what could not be started.
        Tell(cmdLine, "Cannot execute Tarnwick 32-bit Installer.", MB_OK, IDOK);
        NoteStepFailed("Cannot execute Tarnwick 32-bit Installer.");
        gState.embedFailed = 1;
        return 0;
    }
    DWORD waited = WaitForSingleObject(pi.hProcess, gState.silent ? kSilentEmbedWaitMs : INFINITE);
    if (waited == WAIT_TIMEOUT) {
        // Ended before the log's last line, so nothing it still does can
        // land after the status was read.
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, kEndWaitMs);
    }
    DWORD exitCode = 0;
    GetExitCodeProcess(pi.hProcess, &exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (waited == WAIT_TIMEOUT) {
        LogShown("Timed out waiting for the Tarnwick 32-bit Installer.");
        gState.timedOut = 1;
        return 0;
    }
    // A silent embed tells by its status that the document or the plug-in
    // could not be written; shown, it has told the user itself and ends
    // with 0.
    if (exitCode != 0) {
        NoteStepFailed("The Tarnwick 32-bit Installer could not write the document or the "
                       "plug-in.");
        gState.embedFailed = 1;
    }
    SetMeter(68);
    return 1;
}

// The installation steps after the script is read. Returns 0 when a viewer
// check refused the system and the sequence must stop at once.
static int RunInstallSteps(const char *sourceDrive, const char **result)
{
    const ScriptValues *s = &gState.script;
    const int viewerReport = s->installer[0] != '\0' && ValueSaysNo(s->romResident);
    if (viewerReport) {
        FindAcrobat();
        if (gState.acrobatUnsupported || Ended())
            return 0;
    }
    if (gState.acrobatInstallFailed)
        return 1;

    if (viewerReport) {
        SetStatus("Adobe Acrobat Found at:");
        SetMeter(52);
        StepDelay();
        SetStatus(gState.acrobatShownPath);
        SetMeter(58);
    }
    PauseSeconds(1);
    if (Ended())
        return 0;
    if (s->plugin1[0] != '\0') {
        FindAcrobat();
        if (gState.acrobatUnsupported || Ended())
            return 0;
        MovePlugin(s->plugin1);
        PauseSeconds(1);
    }
    if (s->plugin2[0] != '\0')
        MovePlugin(s->plugin2);
    if (Ended())
        return 0;

    SetStatus("Tarnwick Publisher Initialization...");
    SetMeter(60);
    RunEmbed(sourceDrive);
    if (gState.acrobatUnsupported || Ended())
        return 0;
    if (gState.embedFailed)
        return 1;
    SetStatus("Tarnwick Publisher Initialization Complete.");
    SetMeter(70);
    StepDelay();
    if (Ended())
        return 0;

    if (s->mainFile[0] != '\0') {
        SetStatus("Creating Program Group and Items...");
        SetMeter(80);
        PauseSeconds(1);
        CreateProgramGroup();
        if (s->wriFile[0] != '\0')
            AddProgmanItems();
        SetStatus("Program Group and Items Created.");
        SetMeter(90);
    }
    StepDelay();
    if (Ended())
        return 0;
    SetStatus("Finishing...");
    SetMeter(95);
    StepDelay();
    SetStatus("Finished.");
    SetMeter(100);
    *result = "Installation is Complete.";
    StepDelay();
    return 1;
}

static void RunFinishDialog(const char *result)
{
    CopyText(gState.finalText, sizeof gState.finalText, result);
    if (gState.hStatusDlg != NULL)
        DestroyWindow(gState.hStatusDlg);
    gState.hStatusDlg = NULL;
    if (gState.silent) {
        // The log's last line says why a run is not complete.
        char line[sizeof gState.finalText + sizeof gState.failure + 16];
        snprintf(line, sizeof line, gState.stepFailed ? "%s Cause: %s" : "%s", result,
                 gState.failure);
        LogShown(line);
        return;
    }
    gState.hFinishDlg = CreateDialogParamA(gState.hInstance, MAKEINTRESOURCEA(IDD_FINISH),
                                           gState.hMainWnd, FinishDlgProc, 0);
    if (gState.hFinishDlg == NULL)
        return;  // its owner is gone: nothing could ever end the loop below
    SetDlgItemTextA(gState.hFinishDlg, IDC_LABEL, result);
    ShowWindow(gState.hFinishDlg, SW_SHOW);
    UpdateWindow(gState.hMainWnd);
    MSG msg;
    while (!Ended() && GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (gState.hFinishDlg != NULL && IsDialogMessageA(gState.hFinishDlg, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void RunInstallScript(const char *sourceDrive)
{
    SetupFindAcrobatWindow();
    if (Ended())
        return;
    if (acrobatRunning && gState.silent) {
        // No one can be asked: the viewer stays open, and what it holds may
        // not be replaced.
        LogShown("Adobe Acrobat is active. It is not closed in a silent installation.");
    } else if (acrobatRunning && !ConfirmCloseAcrobat()) {
        return;
    }

    if (!gState.silent)
        gState.hStatusDlg = CreateDialogParamA(gState.hInstance, MAKEINTRESOURCEA(IDD_STATUS),
                                               gState.hMainWnd, InstallProgressDlgProc, 0);
    SetStatus("Beginning Installation...");
    SetMeter(0);
    StepDelay();
    HourglassCursor();
    if (Ended())
        return;
    if (!ReadInstallScript()) {
        // The shown run ends here without a word, as it always has; the
        // log says why the run stopped.
        LogShown("Cannot read the installation script setup.ini: the installation stops.");
        return;
    }
    ArrowCursor();

    const char *result = "Installation Not Complete.";
    if (!RunInstallSteps(sourceDrive, &result))
        return;
    // A silent run's result counts every step the script asked for: no one
    // saw the lines that told of the others.
    if (gState.acrobatInstallFailed || gState.embedFailed ||
        (gState.silent && gState.stepFailed))
        result = "Installation Not Complete.";
    RunFinishDialog(result);
    if (Ended() || gState.silent)
        return;  // closed instead of answered, or no one to read it: no viewer starts

    if (!gState.acrobatInstallFailed && !gState.embedFailed &&
        strlen(gState.script.autoLaunch) > 2) {
        // The viewer's path is quoted too: unquoted, a path with blanks lets
        // the system try "C:\Program.exe" and the like first.
        char cmdLine[2 * kPathSize + 8];
        snprintf(cmdLine, sizeof cmdLine, "\"%s\" \"%s\"", gState.acrobatExePath,
                 gState.MainTarget);
        WinExec(cmdLine, SW_SHOW);
    }
    DestroyWindow(gState.hMainWnd);
}
