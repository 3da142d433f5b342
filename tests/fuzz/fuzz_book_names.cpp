// Fuzzes the toolkit's conversion of names between this system's UTF-8 and
// the book's code page: any bytes as a name of the publisher's folder. A
// name the book takes must read back on Windows as the very characters it
// had, with no separator but its own; whatever the bytes, reading them as
// book text, keying, lower-casing and showing them stay within the name.
#include <stdlib.h>

#include <string>

#include "common/codepage.h"
#include "pubkit/book_codepage.h"
#include "fuzz_book_code_page.h"

static size_t Separators(const std::string &s, int byCharacter)
{
    size_t n = 0;
    for (size_t i = 0; i < s.size();) {
        size_t size = byCharacter ? CharSizeN(s.data() + i, s.size() - i) : 1;
        n += size == 1 && (s[i] == '/' || s[i] == '\\');
        i += size;
    }
    return n;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    UseFuzzBookCodePage(size);
    std::string name((const char *)data, size), stored, back;
    if (NameForBook(name, &stored) == NULL) {
        if (!BookTextToUtf8(stored, &back) || back != name)
            abort();
        if (Separators(stored, 1) != Separators(name, 0))
            abort();
    }
    WindowsNameKey(name);
    LowerAsWindows(name);
    ShownText(name);
    ShownName(name);
    BookTextOf(name);
    return 0;
}
