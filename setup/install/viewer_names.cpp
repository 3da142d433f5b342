#include "viewer_names.h"

#include <string.h>

#include "../shell/run_mode.h"
#include "../../common/text.h"

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
