#include "build_file.h"

#include <stddef.h>
#include <string.h>

#include "../setup/shell/text.h"

void ParseBuildLine(char *line, BuildSettings *settings)
{
    static const struct {
        const char *key;
        size_t offset;
    } keys[] = {
        {"PATH1=", offsetof(BuildSettings, path1)},
        {"PATH2=", offsetof(BuildSettings, path2)},
        {"PATH3=", offsetof(BuildSettings, path3)},
        {"MSG=", offsetof(BuildSettings, message)},
        {"DEL=", offsetof(BuildSettings, selfDelete)},
    };
    StripLineEnd(line);
    for (const auto &k : keys) {
        if (StartsWithNoCase(line, k.key)) {
            char *value = (char *)settings + k.offset;
            CopyText(value, kBuildValueSize, line + strlen(k.key));
            return;
        }
    }
}

void ReadBuildLines(FILE *f, BuildSettings *settings)
{
    char line[kBuildLineSize];
    while (fgets(line, sizeof line, f) != NULL)
        ParseBuildLine(line, settings);
}

int IsNullPath(const char *value)
{
    return strncmp(value, "NULL", 4) == 0;
}
