// The switches of an unattended run, as deployment tools pass them to both
// programs:
//   /S          show nothing: every text goes to the log instead
//   /LOG=FILE   the log; FILE in double quotes may hold blanks, else it
//               ends at the next blank
//   /D=DIR      setup's destination; unquoted it takes the rest of the
//               line, blanks included, as deployment tools write it, up to
//               a blank before the next switch ("/" starts no folder name)
// Switches are matched without regard to case. A switch may be quoted
// whole, as PowerShell, .NET and Python write an argument with a blank
// ("/D=C:\My Books"), or have its value quoted (/D="C:\My Books"). A word
// that is no switch is noted: a silent run refuses to start on one, as it
// cannot tell what was meant. Portable: no Windows API.
#ifndef TARNWICK_SWITCHES_H
#define TARNWICK_SWITCHES_H

#include <stddef.h>
#include <stdint.h>

enum { kSwitchValueSize = 256, kSwitchWordSize = 64 };

struct UnattendedSwitches {
    int32_t silent;                   // /S was given
    int32_t destGiven;                // /D= was given
    int32_t destWhole;                // its value fitted destDir
    char destDir[kSwitchValueSize];   // /D=, trailing blanks dropped
    int32_t logGiven;                 // /LOG= was given
    int32_t logWhole;                 // its value fitted logPath
    char logPath[kSwitchValueSize];   // /LOG=, empty when not given
    int32_t strayGiven;               // a word was not read as a switch
    char stray[kSwitchWordSize];      // the first such word, cut to fit
};

// Reads the switches of a command line (the text after the program name).
void ReadUnattendedSwitches(const char *cmdLine, UnattendedSwitches *out);

// A destination a silent run can take: a full path from a drive's root
// ("C:\..."), which names the same folder whatever the current directory.
int IsFullDestination(const char *path);

#endif
