#include "uninstall_list.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "common/text.h"
#include "setup/shell/run_mode.h"

namespace {

#define FIELD(name) offsetof(UninstallValues, name), sizeof(((UninstallValues *)0)->name)

const KeyField kFields[] = {
    {"Foldertitle=", FIELD(folderTitle)},
    {"ICONFILE=", FIELD(iconFile)},
    {"UFILE=", FIELD(uFile)},
};

#undef FIELD

// The package's own files, between the two script values.
const char *const kFixedFiles[] = {
    "README.TXT",   "setup.ini",   "DUNZIP32.DLL", "UNINSTAL.ICO",
    "LICENSE.TXT",  "EMBED.EXE",   "NSETUP.EXE",   "NSETUP16.EXE",
};

}  // namespace

void ReadUninstallLine(const char *line, UninstallValues *values)
{
    StoreKeyValue(line, kFields, sizeof kFields / sizeof kFields[0], values);
}

const char *UninstallKeyName(size_t index)
{
    return index < sizeof kFields / sizeof kFields[0] ? kFields[index].key : NULL;
}

int IsPlainFileName(const char *name)
{
    if (name[0] == '\0' || strstr(name, "..") != NULL)
        return 0;
    return FindAnyOf(name, "\\/:") == NULL;
}

size_t UninstallFileList(const UninstallValues *values, const char **names)
{
    size_t count = 0;
    if (IsPlainFileName(values->iconFile))
        names[count++] = values->iconFile;
    for (const char *name : kFixedFiles)
        names[count++] = name;
    if (IsPlainFileName(values->uFile))
        names[count++] = values->uFile;
    return count;
}

int IsUninstallerPath(const char *path)
{
    int slash = LastBackslash(path);
    return EqualsNoCase(slash >= 0 ? path + slash + 1 : path, "UNINSTAL.EXE");
}

int UninstallDirOf(const char *path, char *dir, size_t cap)
{
    CopyText(dir, cap, "");
    int slash = LastBackslash(path);
    if (slash < 0)
        return 0;
    size_t from = path[1] == ':' ? 2 : 0;
    size_t length = (size_t)slash - from;
    if (length == 0 || length >= cap)
        return 0;
    CopyTextN(dir, cap, path + from, length);
    return 1;
}

int RelayCommandLine(const char *relay, uint64_t process, const char *identity,
                     const char *ownPath, char *cmdLine, size_t cap)
{
    const char *quote = strchr(relay, ' ') != NULL ? "\"" : "";
    int written = snprintf(cmdLine, cap, "%s%s%s /WAIT=%llX /FILE=%s %s", quote, relay, quote,
                           (unsigned long long)process, identity, ownPath);
    return written >= 0 && (size_t)written < cap;
}

int ReadRelayOrder(const char *cmdLine, RelayOrder *order)
{
    memset(order, 0, sizeof *order);
    const char *p = cmdLine;
    for (;;) {
        while (*p == ' ' || *p == '\t')
            ++p;
        // No path starts with "/": each such word is part of the order.
        const char *end = p;
        while (*end != '\0' && *end != ' ' && *end != '\t')
            ++end;
        if (StartsWithNoCase(p, "/WAIT=")) {
            order->process = strtoull(p + 6, NULL, 16);
        } else if (StartsWithNoCase(p, "/FILE=")) {
            CopyTextN(order->identity, sizeof order->identity, p + 6, (size_t)(end - p - 6));
        } else {
            break;
        }
        p = end;
    }
    return p[0] != '\0' && CopyText(order->path, sizeof order->path, p) == strlen(p);
}
