// The book's code page a toolkit fuzz input is read in: none (names ASCII,
// texts judged in 1252), 1252 named, or one of the four double-byte pages,
// chosen by the input's length as the program fuzzers choose theirs, so the
// toolkit's checks meet trail bytes "\", "|" and letters as often as plain
// bytes.
#ifndef TARNWICK_FUZZ_BOOK_CODE_PAGE_H
#define TARNWICK_FUZZ_BOOK_CODE_PAGE_H

#include <stddef.h>
#include <stdlib.h>

#include "pubkit/book_codepage.h"

inline void UseFuzzBookCodePage(size_t size)
{
    static const int kPrepared = PrepareBookCodePages();
    (void)kPrepared;
    static const unsigned kPages[] = {0, 932, 936, 949, 950, 1252};
    if (UseBookCodePage(kPages[size % (sizeof kPages / sizeof kPages[0])]) != NULL)
        abort();  // a page the toolkit knows must convert here
}

#endif
