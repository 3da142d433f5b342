#include "build_file.h"

#include <stddef.h>
#include <string.h>

#include "../common/text.h"

void ParseBuildLine(char *line, BuildSettings *settings)
{
    static const KeyField keys[] = {
        {"PATH1=", offsetof(BuildSettings, path1), kBuildValueSize},
        {"PATH2=", offsetof(BuildSettings, path2), kBuildValueSize},
        {"PATH3=", offsetof(BuildSettings, path3), kBuildValueSize},
        {"MSG=", offsetof(BuildSettings, message), kBuildValueSize},
        {"DEL=", offsetof(BuildSettings, selfDelete), kBuildValueSize},
    };
    StripLineEnd(line);
    StoreKeyValue(line, keys, sizeof keys / sizeof keys[0], settings);
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
