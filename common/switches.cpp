#include "switches.h"

#include <stdio.h>
#include <string.h>

#include "text.h"

static int IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Copies n characters into a value field; returns 1 when they all fitted.
// A value that did not fit is left empty: cut, it would name another path.
static int32_t StoreValue(char *field, const char *value, size_t n)
{
    if (n >= kSwitchValueSize) {
        field[0] = '\0';
        return 0;
    }
    CopyTextN(field, kSwitchValueSize, value, n);
    return 1;
}

void ReadUnattendedSwitches(const char *cmdLine, UnattendedSwitches *out)
{
    memset(out, 0, sizeof *out);
    out->destWhole = 1;
    out->logWhole = 1;
    const char *p = cmdLine;
    while (*p != '\0') {
        while (IsBlank(*p))
            ++p;
        if (StartsWithNoCase(p, "/D=")) {
            const char *value = p + 3;
            size_t n = strlen(value);
            while (n > 0 && IsBlank(value[n - 1]))
                --n;
            // A tool that quotes the whole value anyway means the same folder.
            if (n >= 2 && value[0] == '"' && value[n - 1] == '"') {
                ++value;
                n -= 2;
            }
            out->destGiven = 1;
            out->destWhole = StoreValue(out->destDir, value, n);
            return;
        }
        const char *end = p;
        if (StartsWithNoCase(p, "/LOG=") && p[5] == '"') {
            const char *value = p + 6;
            const char *close = strchr(value, '"');
            size_t n = close != NULL ? (size_t)(close - value) : strlen(value);
            out->logWhole = StoreValue(out->logPath, value, n);
            end = value + n + (close != NULL ? 1 : 0);
        } else {
            while (*end != '\0' && !IsBlank(*end))
                ++end;
            size_t n = (size_t)(end - p);
            if (n == 2 && StartsWithNoCase(p, "/S"))
                out->silent = 1;
            else if (StartsWithNoCase(p, "/LOG="))
                out->logWhole = StoreValue(out->logPath, p + 5, n - 5);
        }
        p = end;
    }
}

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
