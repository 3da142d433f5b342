// The ANSI code page's character structure, as the text helpers need it.
// Portable: no Windows API. On Japanese, Chinese and Korean systems an ANSI
// string holds characters of two bytes, a lead byte (0x81 and up) and a
// trail byte that can be any of 0x40-0xFE: a "\", a "|" or a lower-case
// letter among them. Every question about a character of a path or name
// walks the string character by character through this table, so a trail
// byte is never taken for a separator, a letter or a forbidden character.
//
// The table is the process's one code page: filled at start from the
// system's ANSI code page by the Win32 programs and DUNZIP32.DLL
// (LoadAnsiCodePage, common/ansi_code_page.h), from the built-in tables by
// the native tools and tests. Empty, as at start, every byte is a character
// of its own: a single-byte code page, handled exactly as before.
#ifndef TARNWICK_CODEPAGE_H
#define TARNWICK_CODEPAGE_H

#include <stddef.h>

// Lead-byte ranges as the system reports them: count bytes of pairs (first,
// last), ended early by a pair whose first byte is 0. Replaces the table.
void SetLeadByteRanges(const unsigned char *ranges, size_t count);

// Fills the table from the built-in ranges of 932 (Japanese), 936
// (Simplified Chinese), 949 (Korean) or 950 (Traditional Chinese) and
// returns 1; any other page empties it (single-byte) and returns 0.
int UseCodePage(unsigned codePage);

// The code page UseCodePage filled the table for; 0 when it was filled from
// ranges or is empty.
unsigned CurrentCodePage(void);

// Whether c begins a character of two bytes.
int IsLeadByte(unsigned char c);

// Bytes of the character at text, a NUL-terminated string: 2 for a lead
// byte with a byte behind it, else 1 (a lead byte at the very end stands
// alone, as the system's own character walk takes it).
size_t CharSize(const char *text);

// The same within the left bytes of a text that need not be terminated.
size_t CharSizeN(const char *text, size_t left);

// A lead byte with no trail byte behind it within left bytes: at the end,
// or before a byte below 0x40, which no double-byte code page uses as a
// trail byte. Such a pair is no character: the system may read its second
// byte as a "\" or "/" of its own, so names holding one are refused.
int IsBrokenChar(const char *text, size_t left);

// The length of the longest start of text, a NUL-terminated string, that
// is at most n bytes and ends between two characters: what a cut to n bytes
// keeps without splitting a character.
size_t WholeChars(const char *text, size_t n);

#endif
