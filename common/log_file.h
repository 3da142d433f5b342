// The log of an unattended run, shared by setup and the embed it starts:
// each line is appended on its own and the file closed again, so the two
// processes can write one log in turn and nothing written is lost when a
// program ends early.
#ifndef TARNWICK_LOG_FILE_H
#define TARNWICK_LOG_FILE_H

#include <stddef.h>

// The local time a log line carries.
struct LogTime {
    int year, month, day, hour, minute, second;
};

// One line of the log, without its line end: "YYYY-MM-DD HH:MM:SS  TEXT",
// or "... CAPTION: TEXT" for a message box with a caption (no second colon
// after a caption ending in one). Line ends inside the text become blanks,
// so every text is one line. Cut to cap. Portable (log_line.cpp): the host
// tests check the format.
void FormatLogLine(char *out, size_t cap, const LogTime *time, const char *caption,
                   const char *text);

// Appends one line (the caption, when not empty, before the text) with the
// local time to the file at path, creating it. Nothing happens for an empty
// path or a file that cannot be written: no one could be told.
void AppendLogLine(const char *path, const char *caption, const char *text);

// The full form of a log path given on the command line, taken now, before
// the program changes its current directory, and the file opened once for
// appending (made when missing), so a log that cannot be written is known
// before the run starts. Returns 0, leaving full empty, when there is none,
// it does not fit, or the file cannot be opened.
int FullLogPath(const char *given, char *full, unsigned cap);

#endif
