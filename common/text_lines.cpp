#include "text_lines.h"

enum { kCtrlZ = 0x1A, kNone = -2 };

// The next character of the file as text mode reads it.
static int Translated(TextLines *t)
{
    int c = fgetc(t->file);
    if (c == EOF || c == kCtrlZ)
        return -1;
    if (c != '\r')
        return c;
    int next = fgetc(t->file);
    if (next == '\n')
        return '\n';
    if (next != EOF)
        ungetc(next, t->file);
    return '\r';
}

static int Peek(TextLines *t)
{
    if (t->ahead == kNone)
        t->ahead = Translated(t);
    return t->ahead;
}

static int Take(TextLines *t)
{
    int c = Peek(t);
    if (c != -1)
        t->ahead = kNone;
    return c;
}

void BeginTextLines(TextLines *t, FILE *file)
{
    t->file = file;
    t->ahead = kNone;
    t->line = 0;
    t->startsLine = 1;
    t->continues = 0;
}

int NextTextPiece(TextLines *t, char *piece, size_t cap)
{
    if (cap < 2 || Peek(t) == -1)
        return 0;
    if (t->startsLine)
        ++t->line;
    size_t n = 0;
    int c = 0;
    while (n < cap - 1 && (c = Take(t)) != -1) {
        piece[n++] = (char)c;
        if (c == '\n')
            break;
    }
    piece[n] = '\0';
    const int ended = n > 0 && piece[n - 1] == '\n';
    t->startsLine = ended;
    // A line as long as the room is followed by its line end alone, which
    // fgets gives as a piece of its own: not more of the line.
    const int next = ended ? -1 : Peek(t);
    t->continues = next != -1 && next != '\r' && next != '\n';
    return 1;
}
