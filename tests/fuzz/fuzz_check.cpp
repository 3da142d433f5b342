// Fuzzes the check of a book's SETUP.INI: any bytes as the script (and as
// the file the trailer's keys come from), against a PACK.BOX of a few
// members and an EMBED.EXE that writes a document. Whatever the lines, the
// check must report or stay silent, never read out of bounds, in whatever
// code page the book is for (fuzz_book_code_page.h).
#include <stdio.h>

#include "pubkit/check.h"
#include "fuzz_book_code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    UseFuzzBookCodePage(size);
    static const char *const members[] = {"SETUP.INI", "EMBED.EXE", "LICENSE.TXT",
                                          "README.TXT", "BOOK.ICO", "docs/notes.txt"};
    static FILE *out = fopen("/dev/null", "w");
    if (out == NULL)
        return 0;
    const char *script = (const char *)data;
    BookFacts book = {"SETUP.INI", script, size, "SETUP.INI", script, size, NULL, members,
                      sizeof members / sizeof members[0], "EMBED.EXE", NULL, "book.pdf", NULL};
    CheckCounts counts = {0, 0, 0, 0, nullptr};
    CheckBook(&book, out, &counts);
    return 0;
}
