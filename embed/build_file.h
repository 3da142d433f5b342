// The builder's description file, tkbuild.txt: lines of KEY=value. The
// reader here works on an open stream so it can be tested and fuzzed
// natively. Portable: no Windows API.
#ifndef TARNWICK_EMBED_BUILD_FILE_H
#define TARNWICK_EMBED_BUILD_FILE_H

#include <stdio.h>

enum { kBuildValueSize = 256, kBuildLineSize = 256 };

struct BuildSettings {
    char path1[kBuildValueSize];  // document installer; "NULL..." means none
    char path2[kBuildValueSize];  // plug-in installer
    char path3[kBuildValueSize];  // update installer
    char message[kBuildValueSize];  // closing message, cut to its field later
    char selfDelete[kBuildValueSize];  // "YES" or "NO"
    // PATH1= to PATH3=: 1 when the value came from a line longer than the
    // buffer, so it holds only the start of the path the file names.
    int pathCut[3];
};

// Takes one line (its CR and LF become terminators): a line beginning with a
// key, in any case, sets that key's value to the rest of the line, untrimmed;
// a later line replaces an earlier value. Other lines are ignored.
void ParseBuildLine(char *line, BuildSettings *settings);

// Reads every line of f (opened in binary: common/text_lines reads it as
// text) into settings, in chunks of kBuildLineSize - 1 characters (a longer
// line counts as several). A PATHn= value taken from such a cut line is
// marked in pathCut; a later whole line clears the mark.
void ReadBuildLines(FILE *f, BuildSettings *settings);

// "NULL" names no output: the first four characters, capitals only.
int IsNullPath(const char *value);

#endif
