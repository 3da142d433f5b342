#include "viewer_names.h"

#include <stdio.h>
#include <string.h>

#include "common/text.h"
#include "setup/shell/run_mode.h"

int SplitViewerPath(const char *path, char *dir, size_t dirCap, char *name, size_t nameCap)
{
    int slash = LastBackslash(path);
    if (slash < 0) {
        CopyText(dir, dirCap, "");
        CopyText(name, nameCap, "");
        return 0;
    }
    CopyTextN(dir, dirCap, path, (size_t)slash);
    CopyText(name, nameCap, path + slash + 1);
    return 1;
}

void ShownPathOf(const char *result, size_t resultCap, char *shown, size_t cap)
{
    size_t found = strnlen(result, resultCap);
    if (found >= 7 || found + 1 >= resultCap) {
        CopyTextN(shown, cap, result, found);
        return;
    }
    // The joined text ends at the next terminator, or at the buffer's end.
    size_t tail = strnlen(result + found + 1, resultCap - found - 1);
    size_t joined = found + 1 + tail;
    size_t keep = joined > 14 ? joined - 14 : 0;
    if (cap > 0 && keep > cap - 1)
        keep = cap - 1;
    // Dropped by whole characters: none is split where the cut falls.
    size_t whole = 0;
    while (whole < keep) {
        size_t size = whole == found ? 1 : CharSizeN(result + whole, joined - whole);
        if (whole + size > keep)
            break;
        whole += size;
    }
    keep = whole;
    size_t i = 0;
    for (; i < keep && i + 1 < cap; ++i)
        shown[i] = i == found ? ' ' : result[i];
    if (cap > 0)
        shown[i] = '\0';
}

static int SameFirstSeven(const char *name, const char *model)
{
    char head[8];
    CopyTextN(head, sizeof head, model, 7);
    return strlen(name) >= 7 && StartsWithNoCase(name, head);
}

int IsSixteenBitViewer(const char *exeName)
{
    return SameFirstSeven(exeName, "ACRORD16.EXE") || SameFirstSeven(exeName, "ACROEX16.EXE");
}

int IsWin32ViewerName(const char *exeName)
{
    return SameFirstSeven(exeName, "ACRORD32.EXE") || SameFirstSeven(exeName, "ACROBAT.EXE");
}

int IsVersion3Dir(const char *dir)
{
    return strchr(dir, '3') != NULL;
}

int InstallerNeedsSearch(const char *installer)
{
    int slash = LastBackslash(installer);
    const char *name = slash >= 0 ? installer + slash + 1 : installer;
    if (slash < 0 && *name == '\\')
        ++name;
    return StartsWithNoCase(name, "rs");
}

int IsBundledInstaller(const char *installer)
{
    return StartsWithNoCase(installer, "Acro4Gig.exe");
}

int InstallerCommandLine(const char *installer, const char *curDir, char drive, char *cmdLine,
                         size_t cmdCap, char *file, size_t fileCap)
{
    if (cmdCap == 0 || fileCap == 0)
        return 0;
    cmdLine[0] = '\0';
    file[0] = '\0';
    int written;
    if (IsBundledInstaller(installer)) {
        // Quoted, a directory with blanks cannot start some other program;
        // the arguments stay outside the quotes, and the file deleted later
        // is the program itself, not the program with its arguments.
        // The program is deleted after its run: it must be a plain file of
        // that directory, never a path that leads out of it.
        size_t program = strcspn(installer, " ");
        if (!IsPlainName(installer, program))
            return 0;
        written = snprintf(file, fileCap, "%s\\%.*s", curDir, (int)program, installer);
        if (written < 0 || (size_t)written >= fileCap) {
            file[0] = '\0';
            return 0;
        }
        written = snprintf(cmdLine, cmdCap, "\"%s\"%s", file, installer + program);
    } else {
        if (drive == '\0')
            return 0;
        written = snprintf(cmdLine, cmdCap, "%c:%s", drive, installer);
    }
    if (written < 0 || (size_t)written >= cmdCap) {
        cmdLine[0] = '\0';
        file[0] = '\0';
        return 0;
    }
    return 1;
}

int InstallerTitleMatches(const char *title, const char *pattern)
{
    char cut[kInstallerTitleRoom];
    CopyText(cut, sizeof cut, title);
    size_t len = strlen(cut), plen = strlen(pattern);
    if (plen == 0)
        return 0;
    for (size_t i = 0; i + plen <= len; i += CharSize(cut + i)) {
        if (StartsWithNoCase(cut + i, pattern))
            return 1;
    }
    return 0;
}
