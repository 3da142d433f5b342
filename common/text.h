// Fixed-buffer string helpers shared by setup and embed. Portable: no Windows API.
// They read ANSI text in the process's code page (common/codepage.h): a
// character of two bytes is never split by a cut, taken for a separator or
// changed by case folding.
#ifndef TARNWICK_TEXT_H
#define TARNWICK_TEXT_H

#include <stddef.h>
#include <stdint.h>

#include "codepage.h"

// Copies src into dst of capacity cap bytes (terminator included), cutting
// it to fit; a character that would not fit whole is left out. cap 0 writes
// nothing. Returns the number of bytes kept.
size_t CopyText(char *dst, size_t cap, const char *src);

// Appends src to the NUL-terminated dst of capacity cap, cutting it to fit
// as CopyText does. Returns the length of dst.
size_t AppendText(char *dst, size_t cap, const char *src);

// Copies at most n bytes of src (less at its NUL) into dst of capacity
// cap, cutting to both limits; a character either limit would split is
// left out.
size_t CopyTextN(char *dst, size_t cap, const char *src, size_t n);

// Overwrites every carriage return and line feed with NUL, so the string
// ends at its first line end.
void StripLineEnd(char *text);

// Comparisons without regard to the case of ASCII letters; characters of
// two bytes must be the same bytes.
int EqualsNoCase(const char *a, const char *b);
int StartsWithNoCase(const char *text, const char *prefix);

// One KEY=value setting of a record: the key as the file writes it (with its
// equals sign), and the field of the record its value goes into.
struct KeyField {
    const char *key;
    size_t offset;
    size_t size;
};

// When line starts with one of the keys, in any case, copies the rest of the
// line, untrimmed, into that key's field of record, cut to the field.
// Returns 1 when a key matched.
int StoreKeyValue(const char *line, const KeyField *keys, size_t count, void *record);

// One plain name of a file or folder, its first length bytes: not empty,
// not made of dots and blanks only, and holding no character a name cannot
// hold (\ / : * ? " < > | or a control character) and no broken one
// (IsBrokenChar). Joined to a folder, such a name stays inside it.
int IsPlainName(const char *name, size_t length);

// Upper-cases ASCII letters in place; characters of two bytes stay as they
// are.
void UpperCase(char *text);

// The index of the last backslash of path that is a character of its own,
// searching back to its second byte; -1 when there is none there.
int LastBackslash(const char *path);

// The last character of text is a backslash (not the trail byte of a
// character of two bytes).
int EndsWithBackslash(const char *text);

// The first character of text that is one of the ASCII characters of set,
// as strpbrk finds it but never inside a character of two bytes; NULL when
// there is none.
const char *FindAnyOf(const char *text, const char *set);

// Where pattern (ASCII) first occurs in text starting at a character, as
// strstr finds it but never from the middle of a character; NULL when it
// does not occur.
const char *FindPattern(const char *text, const char *pattern);

// The C run-time's decimal conversion of at most n characters of text:
// leading blanks and one sign, then digits until the first non-digit; 0 when
// there are none. Saturates at the 32-bit limits instead of overflowing, as
// the 32-bit run-time does.
int32_t DecimalPrefix(const char *text, size_t n);

#endif
