#include "log_file.h"

#include <stdio.h>
#include <string.h>

#include "text.h"

void FormatLogLine(char *out, size_t cap, const LogTime *time, const char *caption,
                   const char *text)
{
    if (cap == 0)
        return;
    snprintf(out, cap, "%04d-%02d-%02d %02d:%02d:%02d  ", time->year, time->month, time->day,
             time->hour, time->minute, time->second);
    if (caption != NULL && caption[0] != '\0') {
        AppendText(out, cap, caption);
        // A caption that reads as a label already ("Path to Acrobat:").
        AppendText(out, cap, caption[strlen(caption) - 1] == ':' ? " " : ": ");
    }
    size_t start = strlen(out);
    AppendText(out, cap, text);
    for (char *c = out + start; *c != '\0'; ++c) {
        if (*c == '\r' || *c == '\n')
            *c = ' ';
    }
}
