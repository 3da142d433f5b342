#include "expand.h"

#include <string.h>
#include <windows.h>

#include "common/text.h"
#include "dunzip/unzip_params.h"
#include "setup/shell/alert.h"
#include "setup/shell/state.h"
#include "setup/shell/wait.h"
#include "pacing.h"
#include "progress.h"

// The caller removes the argument (cdecl), as every DUNZIP32.DLL expects.
typedef int32_t(__cdecl *DunzipFn)(const UnzipParams *params);

int32_t __stdcall UnzipCallback(uint32_t, uint32_t, uint32_t)
{
    if (gState.cancelled)
        return 0;
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        WaitSeconds(0.25 * gState.stepDelay);
        DispatchMessageA(&msg);
    }
    PaintExpandBar(gState.unzipCalls * kExpandBarStep, 180);
    // The second a call waits lets the reader see the bar move; once it is
    // full, a package of many members would only wait a second per member
    // in front of a bar that no longer changes. The queue was served above.
    int pauses = ExpandCallPauses(gState.unzipCalls);
    if (pauses)
        PauseSeconds(0.75);
    ++gState.unzipCalls;
    if (pauses)
        PauseSeconds(0.25);
    return 1;
}

int ExpandArchive(void)
{
    char dir[kDestDirSize];
    DWORD len = GetCurrentDirectoryA(sizeof dir, dir);
    if (len == 0 || len >= sizeof dir) {
        ShowAlert(kAlertCannotLoadDunzip);
        return 1;
    }
    // Only the copy ExtractPayload just wrote: a search by bare name could
    // find a planted DUNZIP32.DLL beside setup or on the path first.
    char libPath[kDestDirSize + 16];
    CopyText(libPath, sizeof libPath, dir);
    if (!EndsWithBackslash(dir))
        AppendText(libPath, sizeof libPath, "\\");
    AppendText(libPath, sizeof libPath, "DUNZIP32.DLL");
    gState.hUnzipLib = LoadLibraryA(libPath);
    if ((uintptr_t)gState.hUnzipLib < 32) {
        gState.hUnzipLib = NULL;
        ShowAlert(kAlertCannotLoadDunzip);
        return 1;
    }
    DunzipFn dunzip = (DunzipFn)(void *)GetProcAddress(gState.hUnzipLib, "dunzip");
    if (dunzip == NULL) {
        ShowAlert(kAlertDunzipCorrupted);  // releases the library
        return 1;
    }
    WaitSeconds(0.75 * gState.stepDelay);

    char archive[16];
    CopyText(archive, sizeof archive, "PACK.BOX");
    char mask[8];
    CopyText(mask, sizeof mask, "*.*");
    UnzipParams *p = &gState.unzipParams;
    memset(p, 0, sizeof *p);
    p->structSize = kUnzipParamsSize;
    p->memberIndex = -1;
    p->createDirs = 1;
    p->keepPaths = 1;
    p->quiet = 1;
    p->operation = kUnzipExtractAll;
    p->archiveName = (UnzipAddress)(uintptr_t)archive;
    p->memberMask = (UnzipAddress)(uintptr_t)mask;
    p->targetDir = (UnzipAddress)(uintptr_t)dir;
    p->overwrite = 1;
    p->callback = (UnzipAddress)(uintptr_t)&UnzipCallback;
    p->flag108 = 1;

    // The callback dispatches messages, and a confirmed cancel there must
    // not unload the library while its code is on the stack.
    gState.unzipInCall = 1;
    int32_t result = dunzip(p);
    gState.unzipInCall = 0;
    if (gState.hUnzipLib != NULL)
        FreeLibrary(gState.hUnzipLib);
    gState.hUnzipLib = NULL;
    // The licence and the script are read from what the expansion left: a
    // destination that filled up or refused a file would otherwise end the
    // installation in silence. A cancel stopped it at the user's word.
    if (result != kUnzipDone && !gState.cancelled) {
        ShowAlert(kAlertDecompressError);
        return 1;
    }
    return 0;
}
