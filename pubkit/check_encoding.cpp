#include "check_encoding.h"

#include <string.h>

#include "book_codepage.h"
#include "check_script.h"
#include "common/codepage.h"

namespace {

// The length of the UTF-8 sequence starting at p (at most n bytes), or 0
// when it is none of two bytes or more.
size_t Utf8Sequence(const unsigned char *p, size_t n)
{
    size_t len = p[0] >= 0xC2 && p[0] <= 0xDF ? 2 : p[0] >= 0xE0 && p[0] <= 0xEF ? 3
                 : p[0] >= 0xF0 && p[0] <= 0xF4 ? 4 : 0;
    if (len == 0 || len > n)
        return 0;
    for (size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    }
    return len;
}

// The line of the file a byte offset lies on, from 1.
int LineAt(const char *bytes, size_t at)
{
    int line = 1;
    for (size_t i = 0; i < at; ++i)
        line += bytes[i] == '\n';
    return line;
}

// The key a line of the file (from at) starts with, if any.
const char *KeyAt(const char *bytes, size_t size, size_t at)
{
    size_t end = at;
    while (end < size && bytes[end] != '\r' && bytes[end] != '\n' && end - at < 255)
        ++end;
    return KnownKeyOf(std::string(bytes + at, end - at).c_str());
}

// Whether every byte above ASCII of text[from, size) (up to a Ctrl-Z) is
// part of a UTF-8 character, and there is one. Text in a double-byte code
// page has such runs by chance (a lead byte E0-EF and two bytes above 0x7F),
// so there a script is taken for UTF-8 only as a whole.
int AllUtf8(const unsigned char *b, size_t from, size_t size)
{
    size_t found = 0;
    for (size_t i = from; i < size && b[i] != 0x1A; ++i) {
        if (b[i] < 0x80)
            continue;
        size_t seq = Utf8Sequence(b + i, size - i);
        if (seq == 0)
            return 0;
        ++found;
        i += seq - 1;
    }
    return found != 0;
}

}  // namespace

// What the programs' text reading makes of the way the file is saved:
// UTF-16 (no key is found), a byte-order mark (read as part of line 1),
// lines ending in CR alone (read together with the next), a Ctrl-Z (the end
// of the file for them), bytes that are no character of the book's code
// page (read through its table, a pair of bytes a character), UTF-8 text.
void CheckEncoding(Sink *s, const std::string &name, const char *text, size_t size)
{
    const unsigned codePage = JudgedCodePage();
    const unsigned char *b = (const unsigned char *)text;
    size_t nul = 0;
    for (size_t i = 0; i < size; ++i)
        nul += b[i] == 0;
    if (size >= 2 && ((b[0] == 0xFF && b[1] == 0xFE) || (b[0] == 0xFE && b[1] == 0xFF))) {
        Say(s, 1, name, 0, "saved as UTF-16 (it starts with a byte-order mark): the programs read "
                           "ANSI text and find none of its keys; save it as ANSI (code page %u)",
            codePage);
        return;
    }
    if (nul * 4 > size) {
        Say(s, 1, name, 0, "%zu of its %zu bytes are zero: saved as UTF-16? The programs read "
                           "ANSI text and find none of its keys", nul, size);
        return;
    }
    size_t from = 0;
    if (size >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) {
        const char *key = KeyAt(text, size, 3);
        if (key != NULL)
            Say(s, 1, name, 1, "starts with a UTF-8 byte-order mark, which the programs read as "
                               "part of line 1: its %s is not read", key);
        else
            Say(s, 0, name, 1, "starts with a UTF-8 byte-order mark, which the programs read as "
                               "part of line 1");
        from = 3;
    }
    size_t loneCr = 0, firstCr = 0, odd = 0, firstOdd = 0, utf8 = 0, firstUtf8 = 0;
    size_t oddSize = 1;
    const int doubleByte = CurrentCodePage() != 0;
    const int wholeUtf8 = doubleByte && AllUtf8(b, from, size);
    for (size_t i = from; i < size; ++i) {
        if (b[i] == 0x1A) {
            // Text reading ends here: say what is lost behind it.
            int keys = 0, lines = 0;
            for (size_t at = i + 1; at < size; ++at) {
                if (at != i + 1 && text[at - 1] != '\n')
                    continue;
                keys += KeyAt(text, size, at) != NULL;
                size_t end = at;
                while (end < size && text[end] != '\n' && strchr(" \t\r\x1a", text[end]) != NULL)
                    ++end;
                lines += end < size && text[end] != '\n';  // something but blanks
            }
            if (keys != 0 || lines != 0)
                Say(s, keys != 0, name, LineAt(text, i), "a Ctrl-Z ends the file for the "
                    "programs here: %d line%s behind it %s not read%s", lines,
                    lines == 1 ? "" : "s", lines == 1 ? "is" : "are",
                    keys != 0 ? ", keys among them" : "");
            size = i;
            break;
        }
        if (b[i] == '\r' && i + 1 < size && b[i + 1] != '\r' && b[i + 1] != '\n') {
            if (loneCr++ == 0)
                firstCr = i;
        } else if (b[i] >= 0x80) {
            size_t seq = !doubleByte || wholeUtf8 ? Utf8Sequence(b + i, size - i) : 0;
            size_t charSize = 1;
            if (seq != 0) {
                if (utf8++ == 0)
                    firstUtf8 = i;
                i += seq - 1;
            } else if (BookChar(text + i, size - i, &charSize) == 0 && odd++ == 0) {
                firstOdd = i;
                oddSize = charSize;
            }
            i += charSize - 1;
        } else if (b[i] < 0x20 && b[i] != '\t' && b[i] != '\r' && b[i] != '\n' && odd++ == 0) {
            firstOdd = i;
        }
    }
    if (loneCr != 0) {
        const char *key = KeyAt(text, size, firstCr + 1);
        Say(s, 1, name, LineAt(text, firstCr), "the line ends in CR alone (%zu such line end%s in "
            "the file): the programs read on to the next LF and cut at the CR, so %s%s is not read",
            loneCr, loneCr == 1 ? "" : "s", key != NULL ? key : "the next line",
            key != NULL ? " on the line after it" : "");
    }
    if (odd != 0 && oddSize == 2)
        Say(s, 0, name, LineAt(text, firstOdd), "bytes 0x%02X 0x%02X are no character of code "
            "page %u (%zu such character%s in the file)", b[firstOdd], b[firstOdd + 1], codePage,
            odd, odd == 1 ? "" : "s");
    else if (odd != 0)
        Say(s, 0, name, LineAt(text, firstOdd), "byte 0x%02X is no character of code page %u "
            "(%zu such byte%s in the file)", b[firstOdd], codePage, odd, odd == 1 ? "" : "s");
    if (utf8 != 0) {
        // The character as it was meant (in the book's code page, so that it
        // shows as itself), and how many the programs read in its bytes.
        size_t seq = Utf8Sequence(b + firstUtf8, size - firstUtf8), read = 0;
        for (size_t at = 0; at < seq; ++read)
            at += CharSizeN(text + firstUtf8 + at, seq - at);
        // With the code page named, its bytes as they are show as the
        // programs show them.
        std::string meant = BookTextOf(std::string(text + firstUtf8, seq)),
                    shown = BookCodePage() != 0 ? " (\"" + std::string(text + firstUtf8, seq) +
                                                      "\")" : "";
        Say(s, 0, name, LineAt(text, firstUtf8), "holds UTF-8 text (%zu character%s): the "
            "programs read it in code page %u, so \"%s\" shows as %zu character%s%s; save it as "
            "ANSI", utf8, utf8 == 1 ? "" : "s", codePage, meant.c_str(), read,
            read == 1 ? "" : "s", shown.c_str());
    }
}
