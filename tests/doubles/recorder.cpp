// The recorder: a stand-in for a program that setup starts and waits for
// (EMBED.EXE). It writes the command line it was given to "<its own
// path>.args" and ends with 0; no window, no wait.
#include <stdio.h>

#include "double_common.h"

int RunRecorder()
{
    char path[MAX_PATH + 8];
    snprintf(path, sizeof path, "%s.args", gDouble.path);
    FILE *f = fopen(path, "w");
    if (f == NULL)
        return 1;
    fputs(GetCommandLineA(), f);
    fclose(f);
    return 0;
}
