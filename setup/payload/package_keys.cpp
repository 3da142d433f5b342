#include "package_keys.h"

#include <stddef.h>
#include <string.h>

#include "../shell/text.h"

const char *MatchScriptKey(const char *line, const char *key)
{
    return StartsWithNoCase(line, key) ? line + strlen(key) : NULL;
}

void ReadPackageKeys(FILE *script, PackageKeys *keys)
{
    static const struct {
        const char *key;
        size_t field;
    } kKeys[] = {
        {"DEFAULTDIR=", offsetof(PackageKeys, defaultDir)},
        {"PUBNAME=", offsetof(PackageKeys, pubName)},
        {"R1=", offsetof(PackageKeys, r1)},
        {"R2=", offsetof(PackageKeys, r2)},
    };
    memset(keys, 0, sizeof *keys);
    char line[kScriptLineSize];
    while (fgets(line, sizeof line, script) != NULL) {
        StripLineEnd(line);
        for (size_t i = 0; i < sizeof kKeys / sizeof kKeys[0]; ++i) {
            const char *value = MatchScriptKey(line, kKeys[i].key);
            if (value != NULL)
                CopyText((char *)keys + kKeys[i].field, kScriptLineSize, value);
        }
    }
}
