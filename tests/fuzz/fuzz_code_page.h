// The code page a fuzz input is read in: the single-byte one or one of the
// four double-byte tables, chosen by the input's length, so every target
// meets characters of two bytes (trail bytes "\", "|", letters) as often as
// plain bytes, and a mutation that changes the length changes the table.
#ifndef TARNWICK_FUZZ_CODE_PAGE_H
#define TARNWICK_FUZZ_CODE_PAGE_H

#include <stddef.h>

#include "common/codepage.h"

inline void UseFuzzCodePage(size_t size)
{
    static const unsigned kPages[] = {0, 932, 936, 949, 950};
    UseCodePage(kPages[size % (sizeof kPages / sizeof kPages[0])]);
}

#endif
