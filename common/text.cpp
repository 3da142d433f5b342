#include "text.h"

#include <string.h>

size_t CopyText(char *dst, size_t cap, const char *src)
{
    return CopyTextN(dst, cap, src, (size_t)-1);
}

size_t CopyTextN(char *dst, size_t cap, const char *src, size_t n)
{
    if (cap == 0)
        return 0;
    size_t limit = cap - 1 < n ? cap - 1 : n;
    size_t i = 0;
    while (i < limit && src[i] != '\0') {
        // A lead byte whose trail byte lies beyond the count is half a
        // character: the count cuts it, and its trail byte is not read.
        if (IsLeadByte((unsigned char)src[i]) && n - i < 2)
            break;
        size_t size = CharSize(src + i);
        if (i + size > limit)
            break;
        dst[i] = src[i];
        if (size == 2)
            dst[i + 1] = src[i + 1];
        i += size;
    }
    dst[i] = '\0';
    return i;
}

size_t AppendText(char *dst, size_t cap, const char *src)
{
    size_t used = 0;
    while (used < cap && dst[used] != '\0')
        ++used;
    if (used >= cap)
        return used;  // not terminated within cap: leave it alone
    return used + CopyText(dst + used, cap - used, src);
}

void StripLineEnd(char *text)
{
    for (; *text != '\0'; ++text) {
        if (*text == '\r' || *text == '\n')
            *text = '\0';
    }
}

static int Lower(int c)
{
    return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c;
}

// Whether the character at a (size bytes) matches b's bytes there: a
// character of two bytes exactly, a single one without regard to case.
static int SameChar(const char *a, const char *b, size_t size)
{
    if (size == 2)
        return a[0] == b[0] && a[1] == b[1];
    return Lower((unsigned char)*a) == Lower((unsigned char)*b);
}

int EqualsNoCase(const char *a, const char *b)
{
    while (*a != '\0') {
        size_t size = CharSize(a);
        if (!SameChar(a, b, size))
            return 0;
        a += size;
        b += size;
    }
    return *b == '\0';
}

int StartsWithNoCase(const char *text, const char *prefix)
{
    while (*prefix != '\0') {
        size_t size = CharSize(prefix);
        if (!SameChar(prefix, text, size))
            return 0;
        prefix += size;
        text += size;
    }
    return 1;
}

int StoreKeyValue(const char *line, const KeyField *keys, size_t count, void *record)
{
    for (size_t i = 0; i < count; ++i) {
        if (StartsWithNoCase(line, keys[i].key)) {
            CopyText((char *)record + keys[i].offset, keys[i].size, line + strlen(keys[i].key));
            return 1;
        }
    }
    return 0;
}

int IsPlainName(const char *name, size_t length)
{
    int onlyDots = 1;
    for (size_t i = 0; i < length; i += CharSizeN(name + i, length - i)) {
        if (IsBrokenChar(name + i, length - i))
            return 0;
        if (CharSizeN(name + i, length - i) == 2) {
            onlyDots = 0;
            continue;
        }
        unsigned char c = (unsigned char)name[i];
        if (c < 0x20 || c == 0x7F || strchr("\\/:*?\"<>|", c) != NULL)
            return 0;
        if (c != '.' && c != ' ')
            onlyDots = 0;
    }
    return length > 0 && !onlyDots;
}

void UpperCase(char *text)
{
    while (*text != '\0') {
        size_t size = CharSize(text);
        if (size == 1 && *text >= 'a' && *text <= 'z')
            *text = (char)(*text - 'a' + 'A');
        text += size;
    }
}

int LastBackslash(const char *path)
{
    int last = -1;
    for (size_t i = 0; path[i] != '\0'; i += CharSize(path + i)) {
        if (i >= 1 && path[i] == '\\')
            last = (int)i;
    }
    return last;
}

int EndsWithBackslash(const char *text)
{
    size_t lastChar = 0;
    int any = 0;
    for (size_t i = 0; text[i] != '\0'; i += CharSize(text + i)) {
        lastChar = i;
        any = 1;
    }
    return any && text[lastChar] == '\\' && CharSize(text + lastChar) == 1;
}

const char *FindAnyOf(const char *text, const char *set)
{
    for (; *text != '\0'; text += CharSize(text)) {
        if (CharSize(text) == 1 && strchr(set, *text) != NULL)
            return text;
    }
    return NULL;
}

const char *FindPattern(const char *text, const char *pattern)
{
    size_t length = strlen(pattern);
    for (; *text != '\0'; text += CharSize(text)) {
        if (strncmp(text, pattern, length) == 0)
            return text;
    }
    return length == 0 ? text : NULL;
}

int32_t DecimalPrefix(const char *text, size_t n)
{
    size_t i = 0;
    while (i < n && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')))
        ++i;
    int negative = 0;
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int64_t value = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT32_MAX)
            return negative ? INT32_MIN : INT32_MAX;
    }
    return (int32_t)(negative ? -value : value);
}
