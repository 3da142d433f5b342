#include "program_items.h"

#include <stdio.h>
#include <string.h>

#include "common/text.h"
#include "script_values.h"

void QuotedValueName(const char *value, char *name, size_t cap)
{
    // The first and the last character, whole: an unquoted value that ends
    // in a character of two bytes loses that character, not half of it.
    size_t first = value[0] != '\0' ? CharSize(value) : 0;
    size_t last = first;
    for (size_t i = first; value[i] != '\0'; i += CharSize(value + i))
        last = i;
    if (first == 0 || value[first] == '\0') {
        CopyText(name, cap, "");
        return;
    }
    CopyTextN(name, cap, value + first, last - first);
}

int IsPlainGroupName(const char *name)
{
    return IsPlainName(name, strlen(name));
}

int IsQuotedValue(const char *value)
{
    size_t length = strlen(value);
    return length >= 2 && value[0] == '"' && value[length - 1] == '"';
}

int GroupArgumentOf(const char *group, char *arg, size_t cap)
{
    size_t length = strlen(group);
    const int quoted = FindAnyOf(group, ",()[]") != NULL ||
                       (length > 0 && (group[0] == ' ' || group[length - 1] == ' '));
    int written = snprintf(arg, cap, quoted ? "\"%s\"" : "%s", group);
    if (written < 0 || (size_t)written >= cap) {
        CopyText(arg, cap, "");
        return 0;
    }
    return 1;
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
    // The last three characters: the first of the three bytes must begin
    // one, not be the trail byte of a character before them.
    if (length < 3 || WholeChars(target, length - 3) != length - 3)
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

int InstallPathOf(const char *installDir, const char *name, char *path, size_t cap)
{
    // No directory (the current one did not fit its buffer) is no path: the
    // name alone would be taken at the drive's root.
    if (installDir[0] == '\0') {
        CopyText(path, cap, "");
        return 0;
    }
    return Fits(snprintf(path, cap, "%s\\%s", installDir, name), cap);
}

int ShowGroupCommand(const char *group, char *command, size_t cap)
{
    CopyText(command, cap, "");
    char arg[kShowGroupNameSize + 2];
    if (strlen(group) >= kShowGroupNameSize || !GroupArgumentOf(group, arg, sizeof arg))
        return 0;
    return Fits(snprintf(command, cap, "[ShowGroup(%s,1)]", arg), cap);
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
