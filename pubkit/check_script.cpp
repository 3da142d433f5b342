#include "check_script.h"

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>

#include "book_codepage.h"
#include "common/text.h"
#include "common/text_lines.h"
#include "setup/install/script_values.h"
#include "setup/install/uninstall_list.h"
#include "setup/payload/package_keys.h"

const char kListKey[] = "FILE=";

namespace {

// The characters of a piece before its first CR or LF, NULs counted: the
// part of its line's length it holds.
size_t BeforeLineEnd(const char *piece, size_t n)
{
    size_t i = 0;
    while (i < n && piece[i] != '\r' && piece[i] != '\n')
        ++i;
    return i;
}

}  // namespace

std::vector<Piece> Pieces(const char *bytes, size_t size)
{
    std::vector<Piece> pieces;
    if (size == 0)
        return pieces;
    FILE *f = fmemopen((void *)bytes, size, "rb");
    if (f == NULL) {
        // Only memory runs out here, as it would for the pieces themselves.
        perror("pubkit: reading SETUP.INI's lines");
        abort();
    }
    TextLines lines;
    BeginTextLines(&lines, f);
    char piece[kTextPieceSize];
    size_t lineStart = 0, length = 0;
    int lineEnded = 0;
    for (;;) {
        // The reader ends a piece with a NUL, and a NUL of the line is one
        // too: with the room filled with something else first, the piece's
        // own end is the last NUL in it.
        memset(piece, 'x', sizeof piece);
        const int first = lines.startsLine;
        if (!NextTextPiece(&lines, piece, sizeof piece))
            break;
        size_t n = sizeof piece - 1;
        while (piece[n] != '\0')
            --n;
        if (first) {
            // The line before is whole: its pieces learn its length.
            for (size_t i = lineStart; i < pieces.size(); ++i)
                pieces[i].lineLength = length;
            lineStart = pieces.size();
            length = 0;
            lineEnded = 0;
        }
        if (!lineEnded) {
            size_t before = BeforeLineEnd(piece, n);
            length += before;
            lineEnded = before < n;
        }
        StripLineEnd(piece);
        pieces.push_back({(int)lines.line, piece, !first, 0});
    }
    for (size_t i = lineStart; i < pieces.size(); ++i)
        pieces[i].lineLength = length;
    fclose(f);
    return pieces;
}

// In the book's code page: a "/" is never a trail byte, and a leading "\"
// is a character of its own.
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

std::string ParentKey(const std::string &key)
{
    int slash = LastBackslash(key.c_str());
    return slash < 0 ? "" : key.substr(0, (size_t)slash);
}

std::string Key(const std::string &pathKey)
{
    return WindowsNameKey(pathKey);
}

namespace {

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

}  // namespace

const char *KnownKeyOf(const char *line)
{
    static const std::vector<std::string> keys = KnownKeys();
    for (const std::string &k : keys) {
        if (MatchScriptKey(line, k.c_str()) != NULL)
            return k.c_str();
    }
    return NULL;
}

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
