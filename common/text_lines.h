// Text files read as the programs read them on Windows: opened as text, so
// CR LF reads as LF and a Ctrl-Z ends the file, and taken in pieces of at
// most 255 characters, so a longer line arrives in pieces, each taken as a
// line of its own. The file is opened in binary and the text mode is done
// here, the same on every system: the toolkit on Linux reads SETUP.INI and
// tkbuild.txt exactly as setup and embed do. Portable: no Windows API.
#ifndef TARNWICK_TEXT_LINES_H
#define TARNWICK_TEXT_LINES_H

#include <stddef.h>
#include <stdio.h>

enum { kTextPieceSize = 256 };  // 255 characters and the terminator

struct TextLines {
    FILE *file;     // opened for binary reading
    int ahead;      // the next character as text mode gives it, read ahead;
                    // -1 at the end, -2 when none is read ahead yet
    long line;      // the file's line the last piece comes from, from 1
    int startsLine; // the next piece starts a line of the file
    int continues;  // the last piece filled its room without its line end,
                    // and more of that line follows
};

void BeginTextLines(TextLines *t, FILE *file);

// The next piece as the C run-time's fgets gives it from a file opened as
// text: up to cap - 1 characters, ending after a line feed, and
// NUL-terminated. Returns 0 at the end of the file.
int NextTextPiece(TextLines *t, char *piece, size_t cap);

#endif
