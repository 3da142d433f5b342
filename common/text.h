// Fixed-buffer string helpers shared by setup and embed. Portable: no Windows API.
#ifndef TARNWICK_TEXT_H
#define TARNWICK_TEXT_H

#include <stddef.h>
#include <stdint.h>

// Copies src into dst of capacity cap bytes (terminator included), cutting
// it to fit. cap 0 writes nothing. Returns the number of characters kept.
size_t CopyText(char *dst, size_t cap, const char *src);

// Appends src to the NUL-terminated dst of capacity cap, cutting it to fit.
size_t AppendText(char *dst, size_t cap, const char *src);

// Copies at most n characters of src (less at its NUL) into dst of capacity
// cap, cutting to both limits.
size_t CopyTextN(char *dst, size_t cap, const char *src, size_t n);

// Overwrites every carriage return and line feed with NUL, so the string
// ends at its first line end.
void StripLineEnd(char *text);

// ASCII case-insensitive comparisons; the file names and script keys these
// programs compare are plain ASCII.
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

// One plain name of a file or folder, its first length characters: not
// empty, not made of dots and blanks only, and holding no character a name
// cannot hold (\ / : * ? " < > | or a control character). Joined to a
// folder, such a name stays inside it.
int IsPlainName(const char *name, size_t length);

// Upper-cases ASCII letters in place.
void UpperCase(char *text);

// The C run-time's decimal conversion of at most n characters of text:
// leading blanks and one sign, then digits until the first non-digit; 0 when
// there are none. Saturates at the 32-bit limits instead of overflowing, as
// the 32-bit run-time does.
int32_t DecimalPrefix(const char *text, size_t n);

#endif
