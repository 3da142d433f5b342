#include "build_file.h"

#include <stddef.h>
#include <string.h>

#include "common/text.h"
#include "common/text_lines.h"

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
    static const char *const pathKeys[3] = {"PATH1=", "PATH2=", "PATH3="};
    TextLines lines;
    BeginTextLines(&lines, f);
    char line[kBuildLineSize];
    while (NextTextPiece(&lines, line, sizeof line)) {
        ParseBuildLine(line, settings);
        for (int i = 0; i < 3; ++i) {
            if (StartsWithNoCase(line, pathKeys[i]))
                settings->pathCut[i] = lines.continues;
        }
    }
}

int IsNullPath(const char *value)
{
    return strncmp(value, "NULL", 4) == 0;
}
