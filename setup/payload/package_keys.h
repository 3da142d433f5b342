// The SETUP.INI keys the package builder puts into the payload trailer.
// Portable: no Windows API.
#ifndef TARNWICK_PACKAGE_KEYS_H
#define TARNWICK_PACKAGE_KEYS_H

#include <stdio.h>

enum { kScriptLineSize = 256 };  // 255 characters a line and the terminator

// Values are the rest of the line after "KEY=", empty when the key never
// appears; a later line replaces an earlier one.
struct PackageKeys {
    char defaultDir[kScriptLineSize];
    char pubName[kScriptLineSize];
    char r1[kScriptLineSize];
    char r2[kScriptLineSize];
};

// If line starts with key (which includes its "="), ignoring case, returns
// the value behind it; otherwise NULL.
const char *MatchScriptKey(const char *line, const char *key);

// The four keys, by index from 0; NULL past the last.
const char *PackageKeyName(size_t index);

// Reads the script (opened in binary: common/text_lines reads it as text)
// line by line, 255 characters at most a line (a longer line is read as
// several), and collects the four keys.
void ReadPackageKeys(FILE *script, PackageKeys *keys);

#endif
