#include "build_file.h"

#include <stddef.h>
#include <string.h>

#include "common/text.h"

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

// A line that filled the buffer without its line end goes on in the next
// chunk, unless the line end (or the file's end) comes next.
static int LineGoesOn(const char *line, FILE *f)
{
    if (strlen(line) < kBuildLineSize - 1 || strpbrk(line, "\r\n") != NULL)
        return 0;
    int c = fgetc(f);
    if (c == EOF)
        return 0;
    ungetc(c, f);
    return c != '\r' && c != '\n';
}

void ReadBuildLines(FILE *f, BuildSettings *settings)
{
    static const char *const pathKeys[3] = {"PATH1=", "PATH2=", "PATH3="};
    char line[kBuildLineSize];
    while (fgets(line, sizeof line, f) != NULL) {
        int cut = LineGoesOn(line, f);
        ParseBuildLine(line, settings);
        for (int i = 0; i < 3; ++i) {
            if (StartsWithNoCase(line, pathKeys[i]))
                settings->pathCut[i] = cut;
        }
    }
}

int IsNullPath(const char *value)
{
    return strncmp(value, "NULL", 4) == 0;
}
