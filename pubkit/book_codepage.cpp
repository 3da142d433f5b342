#include "book_codepage.h"

#include <ctype.h>
#include <errno.h>
#include <iconv.h>
#include <locale.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wctype.h>

#include <map>
#include <vector>

#include "common/codepage.h"

const char kKnownCodePages[] =
    "874, 932, 936, 949, 950, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258";

namespace {

const unsigned kCodePages[] = {874,  932,  936,  949,  950,  1250, 1251,
                               1252, 1253, 1254, 1255, 1256, 1257, 1258};
// What the toolkit judged SETUP.INI in before a code page could be named.
const unsigned kDefaultCodePage = 1252;

// A code page as Windows' MultiByteToWideChar reads it: every character on
// its own, each byte or pair to one code point. Read character by character,
// a combining mark of 1255 or 1258 stays a character of its own, as it does
// on Windows (iconv would join it to the letter before it).
struct Table {
    int usable = 0;  // iconv converts the page, and ASCII is ASCII in it
    uint32_t single[256] = {};   // 0: no character alone (a lead byte, or undefined)
    std::vector<uint32_t> pair;  // [lead << 8 | trail]; empty on a single-byte page
};

unsigned gChosen;
char gReason[800];

const char *Fail(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
const char *Fail(const char *fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    vsnprintf(gReason, sizeof gReason, fmt, args);
    va_end(args);
    return gReason;
}

void IconvName(unsigned codePage, char *name, size_t cap)
{
    snprintf(name, cap, "CP%u", codePage);
}

// The one character bytes[0, n) decodes to, or 0.
uint32_t DecodeOne(iconv_t cd, const char *bytes, size_t n)
{
    unsigned char out[16];
    char *in = (char *)bytes, *o = (char *)out;
    size_t inLeft = n, outLeft = sizeof out;
    iconv(cd, NULL, NULL, NULL, NULL);
    if (iconv(cd, &in, &inLeft, &o, &outLeft) == (size_t)-1 || inLeft != 0)
        return 0;
    // 1255 and 1258 hold a letter back for a mark that may follow.
    if (iconv(cd, NULL, NULL, &o, &outLeft) == (size_t)-1 || sizeof out - outLeft != 4)
        return 0;
    return (uint32_t)out[0] | (uint32_t)out[1] << 8 | (uint32_t)out[2] << 16 |
           (uint32_t)out[3] << 24;
}

const Table *TableOf(unsigned codePage)
{
    // Made once per code page (the fuzzers change pages all the time).
    static std::map<unsigned, Table> made;
    auto found = made.find(codePage);
    if (found != made.end())
        return &found->second;
    Table *t = &made[codePage];
    char name[16];
    IconvName(codePage, name, sizeof name);
    iconv_t cd = iconv_open("UTF-32LE", name);
    if (cd == (iconv_t)-1)
        return t;
    int ascii = 1;
    for (unsigned b = 1; b < 256; ++b) {
        char c = (char)b;
        t->single[b] = DecodeOne(cd, &c, 1);
        ascii &= b >= 0x80 || t->single[b] == b;
    }
    // A byte that is no character alone may begin one of two bytes; the
    // code-page layer decides where characters begin, this only reads them.
    std::vector<uint32_t> pair(65536, 0);
    int pairs = 0;
    for (unsigned lead = 0x81; lead < 0xFF; ++lead) {
        if (t->single[lead] != 0)
            continue;
        for (unsigned trail = 0x40; trail < 0xFF; ++trail) {
            char two[2] = {(char)lead, (char)trail};
            uint32_t code = DecodeOne(cd, two, 2);
            pair[lead << 8 | trail] = code;
            pairs += code != 0;
        }
    }
    iconv_close(cd);
    if (pairs != 0)
        t->pair.swap(pair);
    t->usable = ascii;
    return t;
}

const Table *Judged()
{
    return TableOf(gChosen != 0 ? gChosen : kDefaultCodePage);
}

// Unicode's case mapping, as the file system and CharLowerA apply it: the
// C library's in a UTF-8 locale (PrepareBookCodePages); the C locale maps
// ASCII only.
uint32_t Upper(uint32_t c)
{
    if (c < 0x80)
        return (uint32_t)toupper((int)c);
    return MB_CUR_MAX > 1 ? (uint32_t)towupper((wint_t)c) : c;
}

uint32_t Lower(uint32_t c)
{
    if (c < 0x80)
        return (uint32_t)tolower((int)c);
    return MB_CUR_MAX > 1 ? (uint32_t)towlower((wint_t)c) : c;
}

void AppendUtf8(std::string *s, uint32_t c)
{
    if (c < 0x80) {
        *s += (char)c;
    } else if (c < 0x800) {
        *s += (char)(0xC0 | c >> 6);
        *s += (char)(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *s += (char)(0xE0 | c >> 12);
        *s += (char)(0x80 | (c >> 6 & 0x3F));
        *s += (char)(0x80 | (c & 0x3F));
    } else {
        *s += (char)(0xF0 | c >> 18);
        *s += (char)(0x80 | (c >> 12 & 0x3F));
        *s += (char)(0x80 | (c >> 6 & 0x3F));
        *s += (char)(0x80 | (c & 0x3F));
    }
}

// One UTF-8 character at s: its bytes (0 when it is none: a stray byte, an
// overlong form, a surrogate, beyond U+10FFFF) and its code point.
size_t Utf8Char(const unsigned char *s, size_t left, uint32_t *c)
{
    if (s[0] < 0x80) {
        *c = s[0];
        return 1;
    }
    size_t n = s[0] >= 0xC2 && s[0] <= 0xDF ? 2 : s[0] >= 0xE0 && s[0] <= 0xEF ? 3
               : s[0] >= 0xF0 && s[0] <= 0xF4 ? 4 : 0;
    if (n == 0 || n > left)
        return 0;
    uint32_t v = s[0] & (0x7F >> n);
    for (size_t i = 1; i < n; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        v = v << 6 | (s[i] & 0x3F);
    }
    static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (v < kLeast[n] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return 0;
    *c = v;
    return n;
}

std::string Escaped(const std::string &s)
{
    std::string e;
    for (unsigned char c : s) {
        char hex[8];
        snprintf(hex, sizeof hex, "\\x%02x", c);
        e += c < 0x80 ? std::string(1, (char)c) : std::string(hex);
    }
    return e;
}

// The chosen page's encoder from UTF-8, opened once.
iconv_t Encoder()
{
    static iconv_t cd = (iconv_t)-1;
    static unsigned page;
    if (page != gChosen) {
        if (cd != (iconv_t)-1)
            iconv_close(cd);
        char name[16];
        IconvName(gChosen, name, sizeof name);
        cd = gChosen != 0 ? iconv_open(name, "UTF-8") : (iconv_t)-1;
        page = gChosen;
    }
    return cd;
}

// utf8 in the chosen page through iconv; 0 with *bad at the input's offset
// iconv stopped at when it holds a character the page lacks.
int Encode(const std::string &utf8, std::string *out, size_t *bad)
{
    iconv_t cd = Encoder();
    *bad = 0;
    if (cd == (iconv_t)-1)
        return 0;
    std::vector<char> buf(utf8.size() * 4 + 16);
    char *in = (char *)utf8.data(), *o = buf.data();
    size_t inLeft = utf8.size(), outLeft = buf.size();
    iconv(cd, NULL, NULL, NULL, NULL);
    if (iconv(cd, &in, &inLeft, &o, &outLeft) == (size_t)-1 ||
        iconv(cd, NULL, NULL, &o, &outLeft) == (size_t)-1) {
        *bad = utf8.size() - inLeft;
        return 0;
    }
    out->assign(buf.data(), buf.size() - outLeft);
    return 1;
}

// One code point in the chosen page, when it is a character of it that
// reads back as itself.
int EncodeChar(uint32_t c, std::string *out)
{
    std::string utf8, bytes;
    size_t bad, size;
    AppendUtf8(&utf8, c);
    if (!Encode(utf8, &bytes, &bad) || bytes.empty())
        return 0;
    if (BookChar(bytes.data(), bytes.size(), &size) != c || size != bytes.size())
        return 0;
    *out = bytes;
    return 1;
}

}  // namespace

int PrepareBookCodePages(void)
{
    // Only the character type: messages, numbers and the rest stay as the
    // C locale has them. (newlocale would keep this off the process, but
    // glibc's leaks its copy of LOCPATH, which the sanitizers report.)
    return setlocale(LC_CTYPE, "C.UTF-8") != NULL && MB_CUR_MAX > 1;
}

const char *ChooseBookCodePage(const char *text)
{
    const char *digits = text;
    if ((digits[0] == 'c' || digits[0] == 'C') && (digits[1] == 'p' || digits[1] == 'P'))
        digits += 2;
    unsigned long n = 0;
    size_t i = 0;
    for (; isdigit((unsigned char)digits[i]) && i < 6; ++i)
        n = n * 10 + (unsigned long)(digits[i] - '0');
    int known = i > 0 && digits[i] == '\0' && n != 0;
    for (size_t k = 0; known && k < sizeof kCodePages / sizeof kCodePages[0]; ++k) {
        if (kCodePages[k] == n)
            return UseBookCodePage((unsigned)n);
    }
    return Fail("unknown code page \"%s\": known are %s", Escaped(text).c_str(), kKnownCodePages);
}

const char *UseBookCodePage(unsigned codePage)
{
    int known = codePage == 0;
    for (size_t k = 0; !known && k < sizeof kCodePages / sizeof kCodePages[0]; ++k)
        known = kCodePages[k] == codePage;
    if (!known)
        return Fail("unknown code page %u: known are %s", codePage, kKnownCodePages);
    if (codePage != 0 && !TableOf(codePage)->usable)
        return Fail("code page %u cannot be converted here: this system's iconv has no CP%u",
                    codePage, codePage);
    // The double-byte pages fill the layer's lead bytes; any other empties it.
    UseCodePage(codePage);
    gChosen = codePage;
    return NULL;
}

unsigned BookCodePage(void)
{
    return gChosen;
}

unsigned JudgedCodePage(void)
{
    return gChosen != 0 ? gChosen : kDefaultCodePage;
}

uint32_t BookChar(const char *text, size_t left, size_t *size)
{
    unsigned char c = (unsigned char)text[0];
    *size = 1;
    if (c < 0x80)
        return c;
    const Table *t = Judged();
    if (!t->usable || IsBrokenChar(text, left))
        return 0;
    *size = CharSizeN(text, left);
    if (*size == 2)
        return t->pair.empty() ? 0 : t->pair[(unsigned)c << 8 | (unsigned char)text[1]];
    return t->single[c];
}

const char *NameForBook(const std::string &utf8, std::string *stored)
{
    std::vector<uint32_t> wanted;
    int ascii = 1;
    for (size_t i = 0; i < utf8.size();) {
        uint32_t c;
        size_t n = Utf8Char((const unsigned char *)utf8.data() + i, utf8.size() - i, &c);
        if (n == 0 || c == 0)
            return Fail("%s: the name is not UTF-8 (byte 0x%02X): rename it, in UTF-8",
                        Escaped(utf8).c_str(), (unsigned char)utf8[i]);
        ascii &= c < 0x80;
        wanted.push_back(c);
        i += n;
    }
    if (ascii) {
        *stored = utf8;
        return NULL;
    }
    if (gChosen == 0)
        return Fail("%s: a name outside ASCII, which Windows reads in its own ANSI code page: "
                    "name the code page the book is for with --codepage (%s)", utf8.c_str(),
                    kKnownCodePages);
    std::string bytes;
    size_t bad;
    if (!Encode(utf8, &bytes, &bad)) {
        uint32_t c = 0;
        size_t n = bad < utf8.size() ? Utf8Char((const unsigned char *)utf8.data() + bad,
                                                utf8.size() - bad, &c) : 0;
        // A name copied from a Mac comes decomposed: é as e and a mark.
        const char *mark = c >= 0x300 && c <= 0x36F
                               ? " (a combining mark: save the name composed, NFC)" : "";
        return Fail("%s: %s is no character of code page %u%s", utf8.c_str(),
                    utf8.substr(bad, n).c_str(), gChosen, mark);
    }
    // Read back as Windows reads it: iconv stores some characters as
    // others that look alike, the yen sign of 932 as "\", a separator.
    size_t k = 0;
    for (size_t i = 0; i < bytes.size(); ++k) {
        size_t size;
        uint32_t c = BookChar(bytes.data() + i, bytes.size() - i, &size);
        if (k >= wanted.size() || c != wanted[k]) {
            std::string shown, read;
            if (k < wanted.size())
                AppendUtf8(&shown, wanted[k]);
            read = ShownText(bytes.substr(i, size));
            return Fail("%s: %s is no character of code page %u (stored, it would read as "
                        "\"%s\")", utf8.c_str(), shown.c_str(), gChosen, read.c_str());
        }
        i += size;
    }
    if (k != wanted.size())
        return Fail("%s: not all of it can be written in code page %u", utf8.c_str(), gChosen);
    *stored = bytes;
    return NULL;
}

int BookTextToUtf8(const std::string &text, std::string *utf8)
{
    std::string s;
    for (size_t i = 0; i < text.size();) {
        size_t size;
        uint32_t c = BookChar(text.data() + i, text.size() - i, &size);
        if (c == 0)
            return 0;
        AppendUtf8(&s, c);
        i += size;
    }
    utf8->swap(s);
    return 1;
}

std::string ShownText(const std::string &text)
{
    if (gChosen == 0)
        return text;
    std::string s;
    for (size_t i = 0; i < text.size();) {
        size_t size;
        uint32_t c = BookChar(text.data() + i, text.size() - i, &size);
        if (c != 0)
            AppendUtf8(&s, c);
        else
            s += Escaped(text.substr(i, size));
        i += size;
    }
    return s;
}

std::string ShownName(const std::string &name)
{
    return gChosen != 0 ? ShownText(name) : Escaped(name);
}

std::string BookTextOf(const std::string &native)
{
    if (gChosen == 0)
        return native;
    std::string s;
    for (size_t i = 0; i < native.size();) {
        uint32_t c;
        size_t n = Utf8Char((const unsigned char *)native.data() + i, native.size() - i, &c);
        std::string bytes;
        if (n == 0)
            n = 1, bytes = "?";
        else if (c >= 0x80 && !EncodeChar(c, &bytes))
            bytes = "?";
        else if (c < 0x80)
            bytes = std::string(1, (char)c);
        s += bytes;
        i += n;
    }
    return s;
}

std::string WindowsNameKey(const std::string &name)
{
    std::string key;
    for (size_t i = 0; i < name.size();) {
        size_t size;
        uint32_t c = BookChar(name.data() + i, name.size() - i, &size);
        if (c != 0) {
            AppendUtf8(&key, Upper(c));
        } else {
            // Marked by 0xFF, which UTF-8 never holds: no undefined byte
            // can pass for a character, nor its trail byte for a "\".
            for (size_t b = 0; b < size; ++b) {
                char hex[4];
                snprintf(hex, sizeof hex, "%02x", (unsigned char)name[i + b]);
                key += '\xFF';
                key += hex;
            }
        }
        i += size;
    }
    return key;
}

std::string LowerAsWindows(const std::string &name)
{
    std::string s;
    for (size_t i = 0; i < name.size();) {
        size_t size;
        uint32_t c = BookChar(name.data() + i, name.size() - i, &size);
        std::string lowered;
        if (c != 0 && c < 0x80)
            s += (char)Lower(c);
        else if (c != 0 && Lower(c) != c && EncodeChar(Lower(c), &lowered))
            s += lowered;
        else
            s += name.substr(i, size);
        i += size;
    }
    return s;
}
