#include "title_match.h"

#include <string.h>

#include "common/text.h"

int TitleNamesAcrobat(const char *title)
{
    static const char *const patterns[] = {"Adobe Acrobat", "Acrobat Reade"};
    enum { kPatternLength = 13 };
    char cut[kTitleConsidered + 1];
    CopyTextN(cut, sizeof cut, title, kTitleConsidered);
    size_t len = strlen(cut);
    for (size_t i = 0; i + kPatternLength <= len; i += CharSize(cut + i)) {
        for (const char *p : patterns) {
            if (StartsWithNoCase(cut + i, p))
                return 1;
        }
    }
    return 0;
}
