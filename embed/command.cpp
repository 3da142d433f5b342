#include "command.h"

#include <string.h>

#include "../common/text.h"

void StripCommandQuotes(char *text)
{
    if (text[0] == '"')
        memmove(text, text + 1, strlen(text));
    size_t n = strlen(text);
    if (n > 0 && text[n - 1] == '"')
        text[n - 1] = '\0';
}

static const char *Skip(const char *text, size_t n)
{
    size_t len = strlen(text);
    return text + (n < len ? n : len);
}

EmbedRole ChooseRole(const char *text, const char **argument)
{
    static const struct {
        const char *prefix;
        size_t compared;
        size_t skipped;
        EmbedRole role;
    } table[] = {
        {"-cdro", 5, 6, kRoleDelivery},
        {"-setup", 6, 7, kRoleBuild},
        {"-cetup", 6, 7, kRoleBuildPlugin},
        {"-sutup", 6, 7, kRoleBuildUpdate},
        {"-cutup", 6, 7, kRoleBuildBoth},
        {"-version", 8, (size_t)-1, kRoleVersion},  // passes nothing on
    };
    *argument = text;
    if (text[0] == '\0')
        return kRoleDelivery;
    for (const auto &row : table) {
        if (strncmp(text, row.prefix, row.compared) == 0) {
            *argument = Skip(text, row.skipped);
            return row.role;
        }
    }
    return kRoleDeleter;
}

// Length of path without its trailing backslashes.
static size_t WithoutTrailingSlashes(const char *path, size_t n)
{
    while (n > 0 && path[n - 1] == '\\')
        --n;
    return n;
}

int IsRelayCopy(const char *ownPath, const char *tempDir)
{
    const char *slash = strrchr(ownPath, '\\');
    if (slash == NULL || !EqualsNoCase(slash + 1, "temp.exe"))
        return 0;
    size_t dirLen = WithoutTrailingSlashes(ownPath, (size_t)(slash - ownPath));
    size_t tempLen = WithoutTrailingSlashes(tempDir, strlen(tempDir));
    if (dirLen == 0 || dirLen != tempLen)
        return 0;
    for (size_t i = 0; i < dirLen; ++i) {
        char a = ownPath[i], b = tempDir[i];
        if (a >= 'A' && a <= 'Z')
            a = (char)(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = (char)(b - 'A' + 'a');
        if (a != b)
            return 0;
    }
    return 1;
}
