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
    size_t i = 0;
    while (i + 1 < cap && i < n && src[i] != '\0') {
        dst[i] = src[i];
        ++i;
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

int EqualsNoCase(const char *a, const char *b)
{
    while (*a != '\0' && Lower((unsigned char)*a) == Lower((unsigned char)*b)) {
        ++a;
        ++b;
    }
    return Lower((unsigned char)*a) == Lower((unsigned char)*b);
}

int StartsWithNoCase(const char *text, const char *prefix)
{
    for (; *prefix != '\0'; ++prefix, ++text) {
        if (Lower((unsigned char)*text) != Lower((unsigned char)*prefix))
            return 0;
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
    for (size_t i = 0; i < length; ++i) {
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
    for (; *text != '\0'; ++text) {
        if (*text >= 'a' && *text <= 'z')
            *text = (char)(*text - 'a' + 'A');
    }
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
