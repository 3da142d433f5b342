#include "package_keys.h"

#include <stddef.h>
#include <string.h>

#include "common/text.h"
#include "common/text_lines.h"

const char *MatchScriptKey(const char *line, const char *key)
{
    return StartsWithNoCase(line, key) ? line + strlen(key) : NULL;
}

static const KeyField kKeys[] = {
    {"DEFAULTDIR=", offsetof(PackageKeys, defaultDir), kScriptLineSize},
    {"PUBNAME=", offsetof(PackageKeys, pubName), kScriptLineSize},
    {"R1=", offsetof(PackageKeys, r1), kScriptLineSize},
    {"R2=", offsetof(PackageKeys, r2), kScriptLineSize},
};

const char *PackageKeyName(size_t index)
{
    return index < sizeof kKeys / sizeof kKeys[0] ? kKeys[index].key : NULL;
}

void ReadPackageKeys(FILE *script, PackageKeys *keys)
{
    memset(keys, 0, sizeof *keys);
    TextLines lines;
    BeginTextLines(&lines, script);
    char line[kScriptLineSize];
    while (NextTextPiece(&lines, line, sizeof line)) {
        StripLineEnd(line);
        StoreKeyValue(line, kKeys, sizeof kKeys / sizeof kKeys[0], keys);
    }
}
