#include "switches.h"

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

// Where a word that starts at p ends: at its closing quote when it is
// quoted (an open quote runs to the end of the line), else at a blank.
static const char *WordEnd(const char *p, int quoted)
{
    if (quoted) {
        const char *close = strchr(p, '"');
        return close != NULL ? close : p + strlen(p);
    }
    while (*p != '\0' && !IsBlank(*p))
        ++p;
    return p;
}

// An unquoted destination runs to the end of the line, blanks and all, but
// stops before a blank that a switch follows: no folder name starts with
// "/", so " /S" or " \"/LOG=" after it belongs to the next switch.
static const char *DestinationEnd(const char *p)
{
    for (; *p != '\0'; ++p) {
        if (IsBlank(*p) && (p[1] == '/' || (p[1] == '"' && p[2] == '/')))
            break;
    }
    return p;
}

// The value of a switch whose name ends at value: quoted with the whole
// switch, quoted itself, or bare (a destination to DestinationEnd, any other
// value to the next blank). Sets *end past the value and its closing quote.
static void SwitchValue(const char *value, int quotedWhole, int isDest, const char **start,
                        size_t *n, const char **end)
{
    int quoted = quotedWhole;
    if (!quoted && *value == '"') {
        quoted = 1;
        ++value;
    }
    const char *stop = quoted ? WordEnd(value, 1) : isDest ? DestinationEnd(value)
                                                           : WordEnd(value, 0);
    *start = value;
    *n = (size_t)(stop - value);
    *end = *stop == '"' ? stop + 1 : stop;
    if (isDest && !quoted) {
        while (*n > 0 && IsBlank(value[*n - 1]))
            --*n;
    }
}

void ReadUnattendedSwitches(const char *cmdLine, UnattendedSwitches *out)
{
    memset(out, 0, sizeof *out);
    out->destWhole = 1;
    out->logWhole = 1;
    const char *p = cmdLine;
    for (;;) {
        while (IsBlank(*p))
            ++p;
        if (*p == '\0')
            return;
        const char *word = p;
        // "/D=C:\My Books" as one quoted argument means /D="C:\My Books".
        const int quotedWhole = p[0] == '"' && p[1] == '/';
        const char *name = p + (quotedWhole ? 1 : 0);
        const char *value, *end;
        size_t n;
        if (StartsWithNoCase(name, "/D=")) {
            SwitchValue(name + 3, quotedWhole, 1, &value, &n, &end);
            out->destGiven = 1;
            out->destWhole = StoreValue(out->destDir, value, n);
            p = end;
            continue;
        }
        if (StartsWithNoCase(name, "/LOG=")) {
            SwitchValue(name + 5, quotedWhole, 0, &value, &n, &end);
            out->logGiven = 1;
            out->logWhole = StoreValue(out->logPath, value, n);
            p = end;
            continue;
        }
        const int quoted = *p == '"';
        end = WordEnd(p + quoted, quoted);
        const char *after = *end == '"' ? end + 1 : end;
        if (StartsWithNoCase(name, "/S") && name + 2 == end) {
            out->silent = 1;
        } else if (!out->strayGiven) {
            out->strayGiven = 1;
            CopyTextN(out->stray, sizeof out->stray, word, (size_t)(after - word));
        }
        p = after;
    }
}

int IsFullDestination(const char *path)
{
    const char letter = (char)(path[0] & ~0x20);
    return letter >= 'A' && letter <= 'Z' && path[1] == ':' && path[2] == '\\';
}
