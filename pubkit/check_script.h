// SETUP.INI as the programs read it, for the check: its lines in the pieces
// the programs take them in, the keys some program reads, and paths inside
// the installation folder as the check compares them. Native only.
#ifndef TARNWICK_PUBKIT_CHECK_SCRIPT_H
#define TARNWICK_PUBKIT_CHECK_SCRIPT_H

#include <stddef.h>

#include <string>
#include <vector>

// FILE= lines list the package's files for the publisher; no program reads
// them, and none should be warned about.
extern const char kListKey[];

// One read of the script: the programs open it as text (CR LF becomes LF,
// Ctrl-Z ends the file) and read 255 characters at a time, so a longer line
// arrives in pieces, each taken as a line of its own.
struct Piece {
    int line;          // the line of the file it comes from, from 1
    std::string text;  // up to its first CR or LF, as StripLineEnd leaves it
    int rest;          // 1 for the second and later pieces of a long line
    size_t lineLength; // the whole line's characters, its line end not counted
};

// The pieces of size bytes of a script, read by the programs' own text
// reader (common/text_lines.h), so the check never reads a line otherwise
// than setup does.
std::vector<Piece> Pieces(const char *bytes, size_t size);

// A path inside the installation folder as findings name it: upper case,
// backslashes, no leading backslash, in the book's code page.
std::string PathKey(const std::string &path);

// Its folder: up to its last backslash of its own, never a trail byte.
std::string ParentKey(const std::string &key);

// What the file system finds it under: PathKey's names are one file when
// their keys are equal.
std::string Key(const std::string &pathKey);

// The key some program reads that line begins with; NULL for none.
const char *KnownKeyOf(const char *line);

// For a line that sets nothing: what it was probably meant to be, as a
// note to put behind the finding ("" when nothing is near).
std::string Suggestion(const std::string &text);

#endif
