#include "program_items.h"

#include <stdio.h>
#include <string.h>

#include "../../common/text.h"
#include "script_values.h"

void QuotedValueName(const char *value, char *name, size_t cap)
{
    size_t length = strlen(value);
    if (length < 2) {
        CopyText(name, cap, "");
        return;
    }
    CopyTextN(name, cap, value + 1, length - 2);
}

int IsPlainGroupName(const char *name)
{
    size_t length = strlen(name);
    if (length >= 2 && name[0] == '"' && name[length - 1] == '"') {
        ++name;
        length -= 2;
    }
    int onlyDots = 1;
    for (size_t i = 0; i < length; ++i) {
        char c = name[i];
        if (c == '\\' || c == '/' || c == ':' || c == '"')
            return 0;
        if (c != '.' && c != ' ')
            onlyDots = 0;
    }
    return !onlyDots;
}

// snprintf's answer as a fit: 1 when the whole text went in.
static int Fits(int written, size_t cap)
{
    return written >= 0 && (size_t)written < cap;
}

int MainTargetOf(char drive, const char *installDir, const char *mainFile,
                 const char *romResident, char *target, size_t cap)
{
    int written;
    if (ValueSaysYes(romResident))
        written = snprintf(target, cap, "%c:%s ", drive, "\\tklaunch.exe");
    else if (mainFile[0] == '\\')
        written = snprintf(target, cap, "%c:%s", drive, mainFile);
    else
        written = snprintf(target, cap, "%s\\%s", installDir, mainFile);
    return Fits(written, cap);
}

int TakesIconLocation(const char *target)
{
    size_t length = strlen(target);
    if (length < 3)
        return 0;
    const char *last = target + length - 3;
    return EqualsNoCase(last, "exe") || EqualsNoCase(last, "pdf");
}

int GroupFolderOf(const char *programs, const char *group, char *path, size_t cap)
{
    return Fits(snprintf(path, cap, "%s\\%s", programs, group), cap);
}

int LinkPathOf(const char *programs, const char *group, const char *name, char *path,
               size_t cap)
{
    return Fits(snprintf(path, cap, "%s\\%s\\%s.lnk", programs, group, name), cap);
}

int ShowGroupCommand(const char *group, char *command, size_t cap)
{
    CopyText(command, cap, "");
    if (strlen(group) >= kShowGroupNameSize)
        return 0;
    return Fits(snprintf(command, cap, "[ShowGroup(%s,1)]", group), cap);
}

size_t AddItemCommand(const char *cmdLine, const char *title, const char *icon, char *command,
                      size_t cap)
{
    int written = snprintf(command, cap, "[AddItem(%s,%s,%s)]", cmdLine, title, icon);
    return written < 0 ? 0 : (size_t)written;
}

size_t DeleteGroupCommand(const char *group, char *command, size_t cap)
{
    int written = snprintf(command, cap, "[DeleteGroup(%s)]", group);
    return written < 0 ? 0 : (size_t)written;
}
