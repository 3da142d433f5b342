#include "output.h"

#include <stdio.h>

#include "common/log_file.h"
#include "state.h"

int Tell(const char *text, const char *caption, unsigned flags, int silentAnswer)
{
    if (!gEmbed.silent)
        return MessageBoxA(NULL, text, caption, flags);
    AppendLogLine(gEmbed.logPath, caption, text);
    return silentAnswer;
}

int Say(const char *caption, UINT flags, const char *format, const char *arg)
{
    char text[1024];
    snprintf(text, sizeof text, format, arg);
    return Tell(text, caption, flags, IDOK);
}
