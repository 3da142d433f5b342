#include "command.h"

#include <string.h>

#include "common/text.h"

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

// Length of the first n bytes of path without their trailing backslashes;
// the trail byte of a last character such as 表 is none.
static size_t WithoutTrailingSlashes(const char *path, size_t n)
{
    size_t kept = 0;
    for (size_t i = 0; i < n; i += CharSizeN(path + i, n - i)) {
        if (CharSizeN(path + i, n - i) == 2 || path[i] != '\\')
            kept = i + CharSizeN(path + i, n - i);
    }
    return kept;
}

static char LowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? (char)(c - 'A' + 'a') : c;
}

int IsRelayCopy(const char *ownPath, const char *tempDir)
{
    int slash = LastBackslash(ownPath);
    // The own path always holds a backslash after its first character.
    if (slash <= 0 || !EqualsNoCase(ownPath + slash + 1, "temp.exe"))
        return 0;
    size_t dirLen = WithoutTrailingSlashes(ownPath, (size_t)slash);
    size_t tempLen = WithoutTrailingSlashes(tempDir, strlen(tempDir));
    if (dirLen == 0 || dirLen != tempLen)
        return 0;
    // ASCII letters in any case; a character of two bytes byte for byte.
    for (size_t i = 0; i < dirLen; i += CharSizeN(ownPath + i, dirLen - i)) {
        size_t size = CharSizeN(ownPath + i, dirLen - i);
        if (size == 2 ? memcmp(ownPath + i, tempDir + i, 2) != 0
                      : LowerAscii(ownPath[i]) != LowerAscii(tempDir[i]))
            return 0;
    }
    return 1;
}
