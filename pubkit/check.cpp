#include "check.h"

#include <ctype.h>
#include <dirent.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "book_codepage.h"
#include "common/text.h"
#include "examine.h"
#include "output.h"
#include "setup/bitmap/dib.h"
#include "setup/install/program_items.h"
#include "setup/install/script_values.h"
#include "setup/install/uninstall_list.h"
#include "setup/install/viewer_names.h"
#include "setup/payload/package_keys.h"
#include "setup/payload/trailer.h"
#include "programs.h"
#include "zip_layout.h"
#include "zip_writer.h"

namespace {

// The programs' path buffers: 255 characters and the terminator.
const size_t kPathRoom = 256;
// The drive letter the checks build medium paths with; any letter gives
// paths of the same length.
const char kDrive = 'D';
// FILE= lines list the package's files for the publisher; no program reads
// them, and none should be warned about.
const char kListKey[] = "FILE=";

typedef CheckFinding Finding;

struct Sink {
    FILE *out;
    CheckCounts *counts;
    std::vector<Finding> findings;
};

void Add(Sink *s, int error, const std::string &file, int line, const std::string &text)
{
    s->findings.push_back({file, line, error, text});
    ++(error ? s->counts->errors : s->counts->warnings);
}

// A finding in the book's own text: its values, names and keys are bytes of
// the book's code page, shown in UTF-8 when one was named. Text of this
// system (a path here) goes in through BookTextOf.
void Say(Sink *s, int error, const std::string &file, int line, const char *fmt, ...)
    __attribute__((format(printf, 5, 6)));
void Say(Sink *s, int error, const std::string &file, int line, const char *fmt, ...)
{
    char text[1024];
    va_list args;
    va_start(args, fmt);
    vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    Add(s, error, file, line, ShownText(text));
}

// Each file's findings together, in the order the files came up, by line,
// those about the file as a whole last.
void Flush(Sink *s)
{
    std::vector<std::string> files;
    for (const Finding &f : s->findings) {
        if (std::find(files.begin(), files.end(), f.file) == files.end())
            files.push_back(f.file);
    }
    std::stable_sort(s->findings.begin(), s->findings.end(), [&](const Finding &a, const Finding &b) {
        size_t fa = std::find(files.begin(), files.end(), a.file) - files.begin();
        size_t fb = std::find(files.begin(), files.end(), b.file) - files.begin();
        unsigned la = a.line > 0 ? (unsigned)a.line : ~0u, lb = b.line > 0 ? (unsigned)b.line : ~0u;
        return fa != fb ? fa < fb : la < lb;
    });
    for (const Finding &f : s->findings) {
        if (s->counts->collect != NULL)
            s->counts->collect->push_back(f);
        else if (f.line > 0)
            fprintf(s->out, "%s:%d: %s: %s\n", f.file.c_str(), f.line,
                    f.error ? "error" : "warning", f.text.c_str());
        else
            fprintf(s->out, "%s: %s: %s\n", f.file.c_str(), f.error ? "error" : "warning",
                    f.text.c_str());
    }
    s->findings.clear();
}

// ---- SETUP.INI as the programs read it ----

// One read of the script: the programs open it as text (CR LF becomes LF,
// Ctrl-Z ends the file) and read 255 characters at a time, so a longer line
// arrives in pieces, each taken as a line of its own.
struct Piece {
    int line;          // the line of the file it comes from, from 1
    std::string text;  // up to its first CR or LF, as StripLineEnd leaves it
    int rest;          // 1 for the second and later pieces of a long line
    size_t lineLength; // the whole line's characters, its line end not counted
};

std::vector<Piece> Pieces(const char *bytes, size_t size)
{
    std::string text;
    for (size_t i = 0; i < size && bytes[i] != 0x1A; ++i) {
        if (bytes[i] == '\r' && i + 1 < size && bytes[i + 1] == '\n')
            continue;
        text += bytes[i];
    }
    std::vector<Piece> pieces;
    int line = 1;
    size_t at = 0;
    while (at < text.size()) {
        size_t nl = text.find('\n', at);
        size_t end = nl == std::string::npos ? text.size() : nl + 1;
        size_t content = text.find_first_of("\r\n", at);
        if (content == std::string::npos || content > end)
            content = end;
        for (size_t from = at; from < end; from += kScriptLineSize - 1) {
            std::string piece = text.substr(from, std::min<size_t>(kScriptLineSize - 1, end - from));
            size_t cut = piece.find_first_of("\r\n");
            if (cut != std::string::npos)
                piece.resize(cut);
            piece.resize(strlen(piece.c_str()));  // a NUL ends the string too
            pieces.push_back({line, piece, from != at, content - at});
        }
        at = end;
        ++line;
    }
    return pieces;
}

// A path inside the installation folder as findings name it: upper case,
// backslashes, no leading backslash, in the book's code page (a "/" is
// never a trail byte, and a leading "\" is a character of its own).
std::string PathKey(const std::string &path)
{
    std::string k = path;
    UpperCase(&k[0]);
    for (char &c : k) {
        if (c == '/')
            c = '\\';
    }
    size_t first = k.find_first_not_of('\\');
    return first == std::string::npos ? "" : k.substr(first);
}

// Its folder: up to its last backslash of its own, never a trail byte.
std::string ParentKey(const std::string &key)
{
    int slash = LastBackslash(key.c_str());
    return slash < 0 ? "" : key.substr(0, (size_t)slash);
}

// What the file system finds it under: PathKey's names are one file when
// their keys are equal.
std::string Key(const std::string &pathKey)
{
    return WindowsNameKey(pathKey);
}

// Edit distance without regard to case, or limit when it is no less.
size_t Distance(const std::string &a, const std::string &b, size_t limit)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0], least = row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t up = row[j];
            row[j] = std::min(std::min(row[j] + 1, row[j - 1] + 1),
                              diagonal + (toupper((unsigned char)a[i - 1]) !=
                                          toupper((unsigned char)b[j - 1])));
            diagonal = up;
            least = std::min(least, row[j]);
        }
        if (least >= limit)
            return limit;
    }
    return std::min(row[b.size()], limit);
}

std::vector<std::string> KnownKeys()
{
    std::vector<std::string> keys;
    for (size_t i = 0; ScriptKeyName(i) != NULL; ++i)
        keys.push_back(ScriptKeyName(i));
    for (size_t i = 0; PackageKeyName(i) != NULL; ++i)
        keys.push_back(PackageKeyName(i));
    for (size_t i = 0; UninstallKeyName(i) != NULL; ++i)
        keys.push_back(UninstallKeyName(i));
    keys.push_back(kListKey);
    return keys;
}

// The key some program reads that line begins with; NULL for none.
const char *KnownKeyOf(const char *line)
{
    static const std::vector<std::string> keys = KnownKeys();
    for (const std::string &k : keys) {
        if (MatchScriptKey(line, k.c_str()) != NULL)
            return k.c_str();
    }
    return NULL;
}

// For a line that sets nothing: what it was probably meant to be.
std::string Suggestion(const std::string &text)
{
    static const std::vector<std::string> keys = KnownKeys();
    size_t eq = text.find('=');
    std::string key = text.substr(0, eq);
    size_t a = key.find_first_not_of(" \t"), b = key.find_last_not_of(" \t");
    std::string trimmed = a == std::string::npos ? "" : key.substr(a, b - a + 1) + "=";
    std::string best;
    size_t bestDistance = 3;
    for (const std::string &k : keys) {
        std::string bare = k.back() == '=' ? k : k + "=";
        if (EqualsNoCase(trimmed.c_str(), bare.c_str()) && trimmed.size() != key.size() + 1)
            return " (the key must start the line, its = right behind it: " + k + ")";
        // Names of other lengths are further off than any near miss.
        size_t longer = std::max(trimmed.size(), bare.size());
        if (longer - std::min(trimmed.size(), bare.size()) >= bestDistance)
            continue;
        size_t d = Distance(trimmed, bare, bestDistance);
        if (d < bestDistance) {
            bestDistance = d;
            best = k;
        }
    }
    return best.empty() ? "" : " (" + best + "?)";
}

// ---- the setup medium ----

// A path on the medium (backslashes, from its root, in the book's code
// page) as a file here, its parts split at separators of their own and
// matched as Windows matches names. Empty when there is no such file.
std::string OnMedium(const std::string &medium, const std::string &path)
{
    std::string at = medium;
    size_t from = 0;
    while (from <= path.size()) {
        const char *sep = FindAnyOf(path.c_str() + from, "\\/");
        size_t to = sep != NULL ? (size_t)(sep - path.c_str()) : path.size();
        std::string part = path.substr(from, to - from);
        from = to + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..")
            return "";
        DIR *d = opendir(at.c_str());
        if (d == NULL)
            return "";
        std::string found, wanted = WindowsNameKey(part), stored;
        while (struct dirent *e = readdir(d)) {
            // The disc's names are this system's (UTF-8): as the book
            // stores them, or no match.
            if (NameForBook(e->d_name, &stored) == NULL && WindowsNameKey(stored) == wanted) {
                found = e->d_name;
                break;
            }
        }
        closedir(d);
        if (found.empty())
            return "";
        at += "/" + found;
    }
    struct stat st;
    return stat(at.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? at : "";
}

std::string ReadSmallFile(const std::string &path, size_t limit)
{
    std::string text;
    FILE *f = fopen(path.c_str(), "rb");
    if (f == NULL)
        return text;
    char buf[4096];
    size_t got;
    while (text.size() < limit && (got = fread(buf, 1, sizeof buf, f)) > 0)
        text.append(buf, std::min(got, limit - text.size()));
    fclose(f);
    return text;
}

std::string Trim(const std::string &s)
{
    size_t a = s.find_first_not_of(" \t"), b = s.find_last_not_of(" \t");
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}

// A value of an ini file as the system's profile reader gives it: section
// and key in any case, blanks around both trimmed, one pair of quotes
// around the value dropped. Returns 0 when the key is not there.
int ProfileValue(const std::string &text, const char *section, const char *key, std::string *value)
{
    int inSection = 0;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = Trim(text.substr(at, end - at));
        if (!line.empty() && line.back() == '\r')
            line = Trim(line.substr(0, line.size() - 1));
        at = end + 1;
        if (!line.empty() && line[0] == '[') {
            size_t close = line.find(']');
            inSection = close != std::string::npos &&
                        EqualsNoCase(Trim(line.substr(1, close - 1)).c_str(), section);
            continue;
        }
        size_t eq = line.find('=');
        if (!inSection || eq == std::string::npos || !EqualsNoCase(Trim(line.substr(0, eq)).c_str(), key))
            continue;
        *value = Trim(line.substr(eq + 1));
        if (value->size() >= 2 && (*value)[0] == '"' && value->back() == '"')
            *value = value->substr(1, value->size() - 2);
        return 1;
    }
    return 0;
}

// The background picture as setup's reader takes it: NULL when it loads,
// else the message setup shows.
const char *PictureFault(const std::string &path, int *shortPixels)
{
    *shortPixels = 0;
    FILE *f = fopen(path.c_str(), "rb");
    if (f == NULL)
        return "Can't open file";
    struct stat st;
    unsigned char fileHeader[kDibFileHeaderBytes], header[kDibInfoHeaderBytes];
    size_t got = fstat(fileno(f), &st) == 0 ? fread(fileHeader, 1, sizeof fileHeader, f) : 0;
    DibFileHeader fh;
    if (!BmpParseFileHeader(fileHeader, got, &fh))
        fseek(f, 0, SEEK_SET);
    got = fread(header, 1, sizeof header, f);
    fclose(f);
    DibLayout layout;
    if (!BmpParseHeader(&fh, 0, header, got, (uint64_t)st.st_size, &layout))
        return "is not a Legitimate DIB File!";
    std::vector<unsigned char> block((size_t)layout.headerBlockBytes, 0);
    BmpPutInfoHeader(block.data(), &layout);
    DibPaletteEntry entries[kDibMaxColours];
    if (BmpPaletteEntries(block.data(), entries) == 0)
        return "CreatePalette() Failed";
    *shortPixels = layout.pixelStart + layout.info.sizeImage > (uint64_t)st.st_size;
    return NULL;
}

void CheckMedium(Sink *s, const std::string &medium)
{
    std::string ini = OnMedium(medium, "tarnwsi.ini"), picture, named;
    std::string where = medium + "/tarnwsi.ini";
    if (!ini.empty()) {
        where = ini;
        if (!ProfileValue(ReadSmallFile(ini, 1 << 16), "Tarnwick", "BMPFILE", &named) ||
            named.empty()) {
            Say(s, 1, where, 0, "no BMPFILE= in its [Tarnwick] section: setup shows \"Can't open "
                                "file ''\" and no picture");
            return;
        }
        if (named.size() >= 2 && named[1] == ':') {
            Say(s, 0, where, 0, "BMPFILE=%s names a drive: the picture is not looked for",
                named.c_str());
            return;
        }
        picture = OnMedium(medium, named);
        if (picture.empty()) {
            Say(s, 1, where, 0, "BMPFILE=%s is not on the setup medium: setup shows \"Can't "
                                "open file '%s'\"", named.c_str(), named.c_str());
            return;
        }
    } else {
        picture = OnMedium(medium, "Setup.bmp");
        named = "Setup.bmp";
        if (picture.empty())
            return;  // no picture at all is no fault
    }
    int shortPixels = 0;
    const char *fault = PictureFault(picture, &shortPixels);
    if (fault != NULL)
        Say(s, 1, picture, 0, "setup refuses the background picture: \"%s%s%s\"",
            fault[0] == 'i' ? named.c_str() : "", fault[0] == 'i' ? " " : "", fault);
    else if (shortPixels)
        Say(s, 0, picture, 0, "the file ends before its pixels do: the rest of the picture "
                              "shows black");
}

// ---- how SETUP.INI is saved ----

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

// ---- the book ----

struct Setting {
    std::string value;
    int line = 0;  // 0: absent
};

struct Book {
    const BookFacts *facts;
    Sink *sink;
    std::set<std::string> files, dirs;  // Key(PathKey) of the installation folder's
    std::map<std::string, Setting> settings;  // by key as the table writes it
    std::string installDir;
};

int HasFile(const Book &b, const std::string &path)
{
    return b.files.count(Key(PathKey(path))) != 0;
}

int HasDir(const Book &b, const std::string &dirKey)
{
    return dirKey.empty() || b.dirs.count(Key(dirKey)) != 0;
}

const Setting &Value(const Book &b, const char *key)
{
    static const Setting none;
    auto it = b.settings.find(key);
    return it != b.settings.end() ? it->second : none;
}

// The part of a built path behind the installation folder.
std::string InsideInstallDir(const Book &b, const char *path)
{
    size_t n = b.installDir.size();
    return strlen(path) >= n ? std::string(path + n) : std::string(path);
}

void FileOperation(Book &b, ScriptFileOp op, const char *value, int line)
{
    Sink *s = b.sink;
    const std::string &name = b.facts->scriptName;
    const char *key = op == kScriptCopyDir ? "COPYDIR=" : op == kScriptMakeDir ? "MAKEDIR="
                      : op == kScriptCopyFile ? "COPYFILE=" : "MOVEFILE=";
    if (op == kScriptCopyDir || op == kScriptMakeDir) {
        if (value[0] != '\\') {
            Say(s, 1, name, line, "%s%s: setup puts the value right behind the installation "
                                  "folder's path, making %s%s (begin it with \\)",
                key, value, b.installDir.c_str(), value);
            return;
        }
        if (b.installDir.size() + strlen(value) >= kPathRoom) {
            Say(s, 1, name, line, "%s%s: the folder's path is longer than 255 characters: "
                                  "setup skips the line", key, value);
            return;
        }
        std::string dir = PathKey(value);
        if (!HasDir(b, ParentKey(dir)))
            Say(s, 1, name, line, "%s%s: its parent folder is not there yet (setup makes one "
                                  "folder, not the ones on the way)", key, value);
        else
            b.dirs.insert(Key(dir));
        return;
    }
    char source[kPathRoom], target[kPathRoom];
    if (strlen(value) > kScriptFileValueMax) {
        Say(s, 1, name, line, "%s value is %zu characters: setup skips values over %d", key,
            strlen(value), kScriptFileValueMax);
        return;
    }
    int fits = op == kScriptCopyFile
                   ? CopyFilePaths(kDrive, b.installDir.c_str(), value, source, target, sizeof source)
                   : MoveFilePaths(b.installDir.c_str(), value, source, target, sizeof source);
    if (!fits) {
        Say(s, 1, name, line, "%s%s: a path made from it is longer than 255 characters: setup "
                              "skips the line", key, value);
        return;
    }
    std::string to = PathKey(InsideInstallDir(b, target));
    if (op == kScriptCopyFile) {
        if (value[0] != '\\') {
            Say(s, 1, name, line, "COPYFILE=%s: not a path on the setup medium (it must begin "
                                  "with \\, from the medium's root)", value);
            return;
        }
        if (b.facts->medium != NULL && OnMedium(b.facts->medium, value).empty())
            Say(s, 1, name, line, "COPYFILE=%s: the setup medium (%s) has no such file", value,
                BookTextOf(b.facts->medium).c_str());
    } else {
        std::string from = PathKey(InsideInstallDir(b, source));
        if (Key(from) == Key(to))
            return;  // already where the value names: setup leaves it
        if (b.files.count(Key(from)) == 0) {
            const char *doc = b.facts->embedDocument;
            Say(s, 1, name, line, "MOVEFILE=%s: %s is not in the installation folder when this "
                                  "line runs%s", value, from.c_str(),
                doc != NULL && Key(PathKey(doc)) == Key(from)
                    ? " (EMBED.EXE writes it later, after the script is read)" : "");
            return;
        }
        b.files.erase(Key(from));
    }
    if (!HasDir(b, ParentKey(to))) {
        Say(s, 1, name, line, "%s%s: the folder %s is not made before this line (MAKEDIR=\\%s "
                              "on an earlier line)", key, value, ParentKey(to).c_str(),
            ParentKey(to).c_str());
        return;
    }
    b.files.insert(Key(to));
}

void ReadScript(Book &b)
{
    const BookFacts *f = b.facts;
    Sink *s = b.sink;
    const std::string &name = f->scriptName;
    ScriptValues values;
    memset(&values, 0, sizeof values);
    int reported = 0;
    std::set<int> keyed;  // the lines some key was read from
    std::vector<Piece> pieces = Pieces(f->script, f->scriptSize);
    for (const Piece &p : pieces) {
        const char *line = p.text.c_str();
        // FILE= lines are the publisher's list: no program reads them.
        ScriptSetting any;
        ScriptValues scratch;
        const char *ignored, *known = KnownKeyOf(line);
        if ((known != NULL && strcmp(known, kListKey) != 0) || ScriptLineSetting(line, &any) ||
            ReadScriptLine(line, &scratch, &ignored) != kScriptNoOp)
            keyed.insert(p.line);
        if (p.lineLength > kScriptLineSize - 1 && reported != p.line) {
            reported = p.line;
            const char *key = KnownKeyOf(line);
            Say(s, 1, name, p.line, "the line is %zu characters long; the programs read 255 at a "
                                    "time, so %s%s is cut and the rest read as a line of its own",
                p.lineLength, key != NULL ? key : "it", key != NULL ? "'s value" : "");
        }
        const char *opValue = NULL;
        ScriptFileOp op = ReadScriptLine(line, &values, &opValue);
        if (op != kScriptNoOp) {
            FileOperation(b, op, opValue, p.line);
            continue;
        }
        ScriptSetting setting;
        if (ScriptLineSetting(line, &setting)) {
            Setting &kept = b.settings[setting.key];
            if (kept.line != 0 && !p.rest)
                Say(s, 0, name, p.line, "%s again (first on line %d): this later value counts",
                    setting.key, kept.line);
            kept.value = setting.value;
            kept.line = p.line;
            size_t length = strlen(setting.value);
            if (length >= setting.fieldSize && p.lineLength <= kScriptLineSize - 1)
                Say(s, 1, name, p.line, "%s value is %zu characters: the programs keep its first "
                                        "%zu", setting.key, length, setting.fieldSize - 1);
            // A key read without its equals sign takes whatever follows it.
            size_t k = strlen(setting.key);
            if (setting.key[k - 1] != '=' && line[k] != '\0' && line[k] != '=')
                Say(s, 0, name, p.line, "%s is read without its equals sign: this line sets it "
                                        "to \"%s\"", setting.key, setting.value);
            continue;
        }
        const char *key = KnownKeyOf(line);
        if (key != NULL) {
            b.settings[key] = {MatchScriptKey(line, key), p.line};
            continue;
        }
        size_t first = p.text.find_first_not_of(" \t");
        if (p.rest || first == std::string::npos || p.text[first] == '[' || p.text[first] == ';' ||
            p.text.find('=') == std::string::npos)
            continue;
        Say(s, 0, name, p.line, "%.*s is no key the programs read: the line is ignored%s",
            (int)(p.text.find('=') + 1), line, Suggestion(p.text).c_str());
    }
    s->counts->scriptLines = pieces.empty() ? 0 : pieces.back().line;
    s->counts->keyLines = (int)keyed.size();
}

// A name as the group and link steps take it from its quoted value.
std::string TitleOf(Book &b, const char *key, const char *what)
{
    const Setting &v = Value(b, key);
    char name[kPathRoom];
    QuotedValueName(v.value.c_str(), name, sizeof name);
    if (v.line != 0 && !v.value.empty() && !IsQuotedValue(v.value.c_str()))
        Say(b.sink, 0, b.facts->scriptName, v.line, "%s%s is not in double quotes: setup drops "
                                                    "its first and last characters, naming the %s \"%s\"",
            key, v.value.c_str(), what, name);
    return name;
}

void CheckGroup(Book &b)
{
    Sink *s = b.sink;
    const std::string &name = b.facts->scriptName;
    const Setting &main = Value(b, "MAINFILE=");
    std::string group = TitleOf(b, "Foldertitle=", "group");
    int folderLine = Value(b, "Foldertitle=").line;
    if (!IsPlainGroupName(group.c_str())) {
        Say(s, 1, name, folderLine, "the group name \"%s\" is not one plain folder name: setup "
                                    "refuses it and makes no program group", group.c_str());
    } else {
        char command[kShowGroupCommandSize];
        if (!ShowGroupCommand(group.c_str(), command, sizeof command))
            Say(s, 0, name, folderLine, "the group name is %zu characters: Program Manager's "
                                        "ShowGroup takes %d, so the group is not shown",
                group.size(), kShowGroupNameSize - 1);
    }
    // The main item's link is made under its title, inside the group.
    std::string title = TitleOf(b, "IconTitle=", "main item");
    if (!IsPlainGroupName(title.c_str()))
        Say(s, 1, name, Value(b, "IconTitle=").line, "the main item's title \"%s\" is not one "
                                                    "plain file name: setup makes no link to it",
            title.c_str());

    const char *mainFile = main.value.c_str();
    const char *romResident = Value(b, "ROMRESIDENT=").value.c_str();
    char target[kPathRoom];
    if (!MainTargetOf(kDrive, b.installDir.c_str(), mainFile, romResident, target, sizeof target)) {
        target[0] = '\0';
        Say(s, 1, name, main.line, "the main item's target is longer than 255 characters: setup "
                                   "makes no link to it");
    } else if (ValueSaysYes(romResident)) {
        if (b.facts->medium != NULL && OnMedium(b.facts->medium, "\\tklaunch.exe").empty())
            Say(s, 1, name, Value(b, "ROMRESIDENT=").line, "ROMRESIDENT=YES starts tklaunch.exe "
                                                           "from the setup medium, which has none");
    } else if (mainFile[0] == '\\') {
        if (b.facts->medium != NULL && OnMedium(b.facts->medium, mainFile).empty())
            Say(s, 1, name, main.line, "MAINFILE=%s: the setup medium (%s) has no such file",
                mainFile, BookTextOf(b.facts->medium).c_str());
    } else if (!HasFile(b, mainFile)) {
        const char *doc = b.facts->embedDocument;
        Say(s, 1, name, main.line, "MAINFILE=%s: not in the installation folder: PACK.BOX does "
                                   "not carry it and EMBED.EXE does not write it%s%s%s",
            mainFile, doc != NULL && doc[0] ? " (EMBED.EXE writes " : "", doc != NULL ? doc : "",
            doc != NULL && doc[0] ? ")" : "");
    }
    const Setting &icon = Value(b, "ICONFILE=");
    char iconPath[kPathRoom];
    if (!InstallPathOf(b.installDir.c_str(), icon.value.c_str(), iconPath, sizeof iconPath))
        Say(s, 1, name, icon.line, "ICONFILE=%s: the icon's path is longer than 255 characters: "
                                   "setup makes no link to the main item", icon.value.c_str());
    else if (TakesIconLocation(target) && icon.value.empty())
        Say(s, 0, name, icon.line, "no ICONFILE=: the main item's icon names the installation "
                                   "folder itself");
    else if (TakesIconLocation(target) && !HasFile(b, icon.value))
        Say(s, 1, name, icon.line, "ICONFILE=%s: PACK.BOX does not carry it", icon.value.c_str());
    if (!HasFile(b, "README.TXT"))
        Say(s, 1, name, 0, "the group's Readme link opens README.TXT, which PACK.BOX does not carry");
    if (!HasFile(b, "UNINSTAL.ICO"))
        Say(s, 0, name, 0, "the Uninstall link's icon UNINSTAL.ICO is not in PACK.BOX");
}

void CheckSteps(Book &b)
{
    Sink *s = b.sink;
    const std::string &name = b.facts->scriptName;
    for (const char *key : {"PLUGIN1=", "PLUGIN2="}) {
        const Setting &v = Value(b, key);
        if (v.value.empty())
            continue;
        if (b.installDir.size() + 1 + v.value.size() >= kPathRoom)
            Say(s, 1, name, v.line, "%s%s: the plug-in's path is longer than 255 characters",
                key, v.value.c_str());
        else if (!HasFile(b, v.value))
            Say(s, 1, name, v.line, "%s%s: not in the installation folder (PACK.BOX does not "
                                    "carry it), so no plug-in is moved", key, v.value.c_str());
    }
    const Setting &installer = Value(b, "Installer=");
    if (!installer.value.empty()) {
        const char *value = installer.value.c_str();
        char cmdLine[kPathRoom], file[kPathRoom];
        size_t programLength = strcspn(value, " ");
        std::string program(value, programLength);
        int bundled = IsBundledInstaller(value);
        if (bundled && !IsPlainName(value, programLength))
            Say(s, 1, name, installer.line, "Installer=%s: %s is no plain file name of the "
                                            "installation folder: setup does not start it",
                value, program.c_str());
        else if (!InstallerCommandLine(value, b.installDir.c_str(), kDrive, cmdLine,
                                       sizeof cmdLine, file, sizeof file))
            Say(s, 1, name, installer.line, "Installer=%s: its command line is longer than 255 "
                                            "characters: setup does not start it", value);
        else if (bundled && !HasFile(b, program))
            Say(s, 1, name, installer.line, "Installer=%s: PACK.BOX does not carry %s", value,
                program.c_str());
        else if (!bundled && value[0] != '\\')
            Say(s, 1, name, installer.line, "Installer=%s: not on the setup medium (a path there "
                                            "begins with \\) nor Acro4Gig.exe from PACK.BOX",
                value);
        else if (!bundled && b.facts->medium != NULL && OnMedium(b.facts->medium, program).empty())
            Say(s, 1, name, installer.line, "Installer=%s: the setup medium (%s) has no such file",
                value, BookTextOf(b.facts->medium).c_str());
    }
    if (!Value(b, "MAINFILE=").value.empty())
        CheckGroup(b);
    for (const char *key : {"UFILE=", "ICONFILE="}) {
        const Setting &v = Value(b, key);
        if (!v.value.empty() && !IsPlainFileName(v.value.c_str()))
            Say(s, 0, name, v.line, "%s%s: the uninstaller removes only plain file names, so it "
                                    "stays behind", key, v.value.c_str());
    }
}

// DEFAULTDIR=, PUBNAME=, R1= and R2= as the builder puts them into the
// trailer and setup reads them back.
void CheckKeys(Book &b)
{
    const BookFacts *f = b.facts;
    Sink *s = b.sink;
    const std::string name = f->keysName;
    Setting keys[4];
    for (const Piece &p : Pieces(f->keys, f->keysSize)) {
        for (int i = 0; i < 4; ++i) {
            const char *value = MatchScriptKey(p.text.c_str(), PackageKeyName((size_t)i));
            if (value != NULL)
                keys[i] = {value, p.line};
        }
    }
    const Setting &dir = keys[0], &pub = keys[1], &r1 = keys[2], &r2 = keys[3];
    unsigned char record[kTrailerSize];
    EncodePayloadTrailer(record, dir.value.c_str(), pub.value.c_str(), 0, 0, r1.value.c_str(),
                         r2.value.c_str());
    PayloadSettings got;
    memset(&got, 0, sizeof got);
    got.copyBarShade = got.expandBarShade = -1;
    DecodePayloadTrailer(record, &got);
    if (dir.line == 0)
        Say(s, 0, name, 0, "no DEFAULTDIR=: the destination dialog offers no folder");
    else if (strlen(got.destDir) < dir.value.size())
        Say(s, 1, name, dir.line, "DEFAULTDIR= value is %zu characters: the trailer keeps %zu",
            dir.value.size(), strlen(got.destDir));
    else if (!(isalpha((unsigned char)got.destDir[0]) && got.destDir[1] == ':' &&
               got.destDir[2] == '\\'))
        Say(s, 0, name, dir.line, "DEFAULTDIR=%s is not a full path (drive letter, colon, "
                                  "backslash)", got.destDir);
    if (pub.line != 0 && strlen(got.pubName) < pub.value.size())
        Say(s, 1, name, pub.line, "PUBNAME= value is %zu characters: the trailer keeps %zu",
            pub.value.size(), strlen(got.pubName));
    const struct {
        const Setting &v;
        const char *key;
        int32_t *rgb;
        size_t room;
    } colours[] = {{r1, "R1=", got.dialogRgb, kTrailerR1Size - 1},
                   {r2, "R2=", got.backdropRgb, kTrailerR2Size - 1}};
    for (const auto &c : colours) {
        if (c.v.line == 0)
            continue;
        if (c.v.value.size() > c.room) {
            Say(s, 1, name, c.v.line, "%s value is %zu characters: the trailer keeps %zu", c.key,
                c.v.value.size(), c.room);
            continue;
        }
        char threeDigits[16];
        snprintf(threeDigits, sizeof threeDigits, "%03d,%03d,%03d", c.rgb[0], c.rgb[1], c.rgb[2]);
        if (strncmp(c.v.value.c_str(), threeDigits, 11) != 0)
            Say(s, 0, name, c.v.line, "%s%s is read at fixed places, three digits a colour: it "
                                      "gives %d,%d,%d", c.key, c.v.value.c_str(), c.rgb[0],
                c.rgb[1], c.rgb[2]);
    }
    if (r1.line != 0 && (got.copyBarShade < 0 || got.expandBarShade < 0))
        Say(s, 0, name, r1.line, "R1=%s: the %s bar's shade (its %s place) is no digit 0-5, so "
                                 "setup keeps white", r1.value.c_str(),
            got.copyBarShade < 0 ? "copy" : "expansion", got.copyBarShade < 0 ? "15th" : "17th");
    if (f->installDir == NULL)
        b.installDir = got.destDir;
}

}  // namespace

void CheckBook(const BookFacts *f, FILE *out, CheckCounts *counts)
{
    Sink sink = {out, counts, {}};
    Book b;
    b.facts = f;
    b.sink = &sink;
    for (size_t i = 0; i < f->memberCount; ++i) {
        std::string key = PathKey(f->members[i]);
        b.files.insert(Key(key));
        for (std::string dir = ParentKey(key); !dir.empty(); dir = ParentKey(dir))
            b.dirs.insert(Key(dir));
    }
    if (f->installDir != NULL)
        b.installDir = f->installDir;
    if (f->script != NULL)
        CheckEncoding(&sink, f->scriptName, f->script, f->scriptSize);
    if (f->keys != NULL && f->keys != f->script)
        CheckEncoding(&sink, f->keysName, f->keys, f->keysSize);
    if (f->keys != NULL)
        CheckKeys(b);
    if (b.installDir.empty())
        b.installDir = "C:\\BOOK";  // a folder of a usual length stands in
    if (f->script == NULL)
        Say(&sink, 1, f->scriptName, 0, "PACK.BOX carries no SETUP.INI: the installation ends "
                                        "after the licence");
    else
        ReadScript(b);
    if (f->embedProblem != NULL)
        Say(&sink, 1, f->embedName, 0, "no embed installer (%s): started by setup, it delivers "
                                       "nothing", f->embedProblem);
    else if (f->embedDocument == NULL)
        Say(&sink, 1, f->scriptName, 0, "PACK.BOX carries no EMBED.EXE: setup cannot start it and "
                                        "ends with \"Installation Not Complete.\"");
    if (f->embedDocument != NULL && f->embedDocument[0] != '\0')
        b.files.insert(Key(PathKey(f->embedDocument)));
    if (f->script != NULL)
        CheckSteps(b);
    if (!HasFile(b, "LICENSE.TXT"))
        Say(&sink, 1, f->scriptName, 0, "PACK.BOX carries no LICENSE.TXT: no licence is shown");
    if (f->medium != NULL)
        CheckMedium(&sink, f->medium);
    // What the unzip library cannot write under the installation folder.
    std::vector<std::string> paths(f->members, f->members + f->memberCount);
    int unwritten = 0;
    for (const NameFault &n : WindowsNameFaults(paths, b.installDir.c_str())) {
        Say(&sink, 1, f->packName != NULL ? f->packName : f->scriptName, 0,
            "PACK.BOX member %s: %s", paths[n.index].c_str(), n.text.c_str());
        unwritten |= n.unwritten;
    }
    if (unwritten || f->membersStop)
        Say(&sink, 1, f->packName != NULL ? f->packName : f->scriptName, 0,
            "with these members DUNZIP32.DLL fails the expansion of PACK.BOX: setup stops with "
            "alert 1008");
    Flush(&sink);
}

// ---- reading sources and packages ----

namespace {

// A member of a folder: its name as the book stores it, its file here.
struct Listed {
    std::vector<std::string> names, paths;
};

void AddMember(void *ctx, const char *name, const char *path)
{
    ((Listed *)ctx)->names.push_back(name);
    ((Listed *)ctx)->paths.push_back(path);
}

// What EMBED.EXE's trailer says, for BookFacts.
void ReadEmbed(const ExamineSource *src, std::string *problem, std::string *document)
{
    FileLayout l;
    const char *why = ReadFileLayout(src, &l);
    if (why != NULL)
        *problem = why;
    else if (l.kind != kFileEmbed)
        *problem = "it is a packaged setup";
    else
        *document = l.embed.docOffset != 0 ? l.embed.docName : "";
}

struct Gathered {
    std::vector<std::string> members;
    std::vector<const char *> names;
    std::string script, keys, embedName, embedProblem, embedDocument, scriptName, keysName,
        installDir, packName;
    int hasScript = 0, hasEmbed = 0, keysAreScript = 1, hasKeys = 1, hasInstallDir = 0;
    int membersStop = 0;
};

void Run(Gathered &g, const char *medium, FILE *out, CheckCounts *counts)
{
    for (const std::string &m : g.members)
        g.names.push_back(m.c_str());
    BookFacts f;
    f.scriptName = g.scriptName.c_str();
    f.script = g.hasScript ? g.script.data() : NULL;
    f.scriptSize = g.script.size();
    f.keysName = g.keysAreScript ? f.scriptName : g.keysName.c_str();
    f.keys = !g.hasKeys ? NULL : g.keysAreScript ? f.script : g.keys.data();
    f.keysSize = g.keysAreScript ? f.scriptSize : g.keys.size();
    f.installDir = g.hasInstallDir ? g.installDir.c_str() : NULL;
    f.members = g.names.data();
    f.memberCount = g.names.size();
    f.embedName = g.embedName.c_str();
    f.embedProblem = g.hasEmbed && !g.embedProblem.empty() ? g.embedProblem.c_str() : NULL;
    f.embedDocument = g.hasEmbed && g.embedProblem.empty() ? g.embedDocument.c_str() : NULL;
    f.medium = medium;
    f.packName = g.packName.c_str();
    f.membersStop = g.membersStop;
    CheckBook(&f, out, counts);
}

const char *GatherFolder(const std::string &dir, FolderScan *scan, Gathered &g)
{
    Listed listed;
    const char *why = ListFolderMembers(dir.c_str(), scan, AddMember, &listed);
    if (why != NULL)
        return why;
    g.members = listed.names;
    g.scriptName = dir + "/SETUP.INI";
    g.packName = dir;
    for (size_t i = 0; i < listed.names.size(); ++i) {
        const std::string &m = listed.names[i];
        if (EqualsNoCase(m.c_str(), "SETUP.INI")) {
            g.scriptName = listed.paths[i];
            g.script = ReadSmallFile(g.scriptName, 1 << 20);
            g.hasScript = 1;
        } else if (EqualsNoCase(m.c_str(), "EMBED.EXE")) {
            ExamineSource src;
            g.hasEmbed = 1;
            g.embedName = listed.paths[i];
            if (OpenExamineFile(g.embedName.c_str(), &src) != NULL) {
                g.embedProblem = "it cannot be read";
                continue;
            }
            ReadEmbed(&src, &g.embedProblem, &g.embedDocument);
            CloseExamineFile(&src);
        }
    }
    return NULL;
}

void ViewMembers(const PackView &view, const std::string &name, Gathered &g, FILE *out,
                 CheckCounts *counts)
{
    Sink sink = {out, counts, {}};
    int stops = 0;
    for (const PackMember &m : view.members) {
        stops |= m.stops;
        if (!m.fault.empty())
            Say(&sink, 1, name, 0, "PACK.BOX member %s: %s", m.name.c_str(), m.fault.c_str());
        else
            g.members.push_back(m.name);
    }
    g.membersStop = stops;
    Flush(&sink);
    g.packName = name;
    g.scriptName = name + ":SETUP.INI";
    g.hasScript = view.hasScript;
    g.script = view.script;
    g.hasEmbed = view.hasEmbed;
    g.embedName = name + ":EMBED.EXE";
    if (view.hasEmbed) {
        ExamineSource src;
        EmbedMemberSource(&view, &src);
        ReadEmbed(&src, &g.embedProblem, &g.embedDocument);
    }
}

int IsFolder(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FolderOf(const char *path)
{
    const char *slash = strrchr(path, '/');
    return slash == NULL ? "." : slash == path ? "/" : std::string(path, (size_t)(slash - path));
}

char gReason[PATH_MAX + 200];

// A folder pack would refuse is one finding, and nothing else is known.
void Refused(const char *folder, const char *why, FILE *out, CheckCounts *counts)
{
    Sink sink = {out, counts, {}};
    Add(&sink, 1, folder, 0, std::string(why) + ": pack refuses the folder");
    Flush(&sink);
}

// The setup medium must be a folder: a mistyped one would pass every file
// the script takes from it unseen.
const char *MediumFault(const char *medium)
{
    struct stat st;
    if (medium == NULL)
        return NULL;
    if (stat(medium, &st) != 0)
        return SystemFailure("--medium names no folder", medium);
    if (!S_ISDIR(st.st_mode)) {
        snprintf(gReason, sizeof gReason, "--medium names no folder: %s is a file", medium);
        return gReason;
    }
    return NULL;
}

// The three programs of a package, each as its role needs it.
void CheckPrograms(const char *const names[3], const char *const faults[3], FILE *out,
                   CheckCounts *counts)
{
    Sink sink = {out, counts, {}};
    for (int i = 0; i < 3; ++i) {
        if (faults[i] != NULL)
            Add(&sink, 1, names[i], 0, faults[i]);
    }
    Flush(&sink);
}

}  // namespace

const char *CheckPath(const char *path, const char *medium, FILE *out, CheckCounts *counts)
{
    const char *why = MediumFault(medium);
    if (why != NULL)
        return why;
    Gathered g;
    if (IsFolder(path)) {
        why = GatherFolder(path, NULL, g);
        if (why != NULL)
            Refused(path, why, out, counts);
        else
            Run(g, medium, out, counts);
        return NULL;
    }
    ExamineSource src;
    if (OpenExamineFile(path, &src) != NULL)
        return SystemFailure("cannot read", path);
    FileLayout l;
    why = ReadFileLayout(&src, &l);
    if (why == NULL && l.kind != kFilePackage)
        why = "an embed installer, not a package: 'pubkit inspect' explains it";
    PackView view;
    std::string faults[3];
    if (why == NULL) {
        // The programs are checked where the package carries them.
        const PayloadSettings &s = l.package;
        const int64_t bounds[4] = {0, l.imageEnd, s.dunzipOffset, s.packOffset};
        const ProgramRole roles[3] = {kRoleSetup, kRoleMeter, kRoleDunzip};
        for (int i = 0; i < 3; ++i) {
            const char *fault = ProgramFault(&src, bounds[i], bounds[i + 1], roles[i]);
            if (fault != NULL)
                faults[i] = fault;
        }
        why = ReadPackBox(&src, l.package.packOffset, l.trailerAt, NULL, &view);
    }
    CloseExamineFile(&src);
    if (why != NULL) {
        snprintf(gReason, sizeof gReason, "%s", why);
        return gReason;
    }
    std::string names[3] = {std::string(path) + ":setup.exe", std::string(path) + ":METER.DLL",
                            std::string(path) + ":DUNZIP32.DLL"};
    const char *nameList[3] = {names[0].c_str(), names[1].c_str(), names[2].c_str()};
    const char *faultList[3];
    for (int i = 0; i < 3; ++i)
        faultList[i] = faults[i].empty() ? NULL : faults[i].c_str();
    CheckPrograms(nameList, faultList, out, counts);
    ViewMembers(view, path, g, out, counts);
    // The trailer carries the keys already, as setup will read them.
    g.hasKeys = 0;
    g.installDir = l.package.destDir;
    g.hasInstallDir = 1;
    std::string folder = FolderOf(path);
    Run(g, medium != NULL ? medium : folder.c_str(), out, counts);
    return NULL;
}

const char *CheckPackInputs(const PackCheckInputs *in, FILE *out, CheckCounts *counts)
{
    const char *why = MediumFault(in->medium);
    if (why != NULL)
        return why;
    std::string faults[3];
    const char *programs[3] = {in->setupImage, in->meter, in->dunzip};
    const ProgramRole roles[3] = {kRoleSetup, kRoleMeter, kRoleDunzip};
    for (int i = 0; i < 3; ++i) {
        if (programs[i] == NULL)
            continue;
        const char *fault = ProgramFileFault(programs[i], roles[i]);
        if (fault != NULL)
            faults[i] = fault;
    }
    const char *faultList[3];
    for (int i = 0; i < 3; ++i)
        faultList[i] = faults[i].empty() ? NULL : faults[i].c_str();
    CheckPrograms(programs, faultList, out, counts);

    Gathered g;
    if (IsFolder(in->pack)) {
        // The folder as pack will see it: without the output, should that
        // lie inside.
        ScanSkip skip;
        FolderScan scan = {NULL, 0, 0};
        struct stat st;
        if (in->output != NULL && stat(in->output, &st) == 0) {
            skip = {st.st_dev, st.st_ino, 0, in->output};
            scan = {&skip, 1, 0};
        }
        why = GatherFolder(in->pack, &scan, g);
        if (why != NULL) {
            Refused(in->pack, why, out, counts);
            return NULL;
        }
    } else {
        ExamineSource src;
        if (OpenExamineFile(in->pack, &src) != NULL)
            return SystemFailure("cannot read", in->pack);
        PackView view;
        why = ReadPackBox(&src, 0, src.size, NULL, &view);
        CloseExamineFile(&src);
        if (why != NULL) {
            snprintf(gReason, sizeof gReason, "%s", why);
            return gReason;
        }
        ViewMembers(view, in->pack, g, out, counts);
    }
    // The trailer's keys come from ini; when that is the script itself,
    // its lines are checked once.
    char *a = realpath(in->ini, NULL),
         *b = g.hasScript && IsFolder(in->pack) ? realpath(g.scriptName.c_str(), NULL) : NULL;
    g.keysAreScript = a != NULL && b != NULL && strcmp(a, b) == 0;
    free(a);
    free(b);
    if (!g.keysAreScript) {
        g.keysName = in->ini;
        g.keys = ReadSmallFile(in->ini, 1 << 20);
    }
    Run(g, in->medium, out, counts);
    return NULL;
}
