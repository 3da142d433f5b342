// Fuzzes embed's command-line dispatch, the relay-copy test and the viewer
// title match: no text may make them read outside it, and the argument a
// role is given lies within the command text.
#include <string.h>

#include "acrobat/title_match.h"
#include "common/switches.h"
#include "embed/command.h"
#include "fuzz_code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    UseFuzzCodePage(size);
    char text[600];
    size_t n = size < sizeof text - 1 ? size : sizeof text - 1;
    memcpy(text, data, n);
    text[n] = '\0';
    TitleNamesAcrobat(text);

    // The first line is the program's path, the second its temporary
    // directory; only SelfDelete's relay is ever a deleter.
    char *tempDir = strchr(text, '\n');
    if (tempDir != NULL) {
        *tempDir++ = '\0';
        int relay = IsRelayCopy(text, tempDir);
        const char *slash = strrchr(text, '\\');
        if (relay && (slash == NULL || strlen(slash + 1) != 8))
            __builtin_trap();
        tempDir[-1] = '\n';
    }

    // The unattended switches: every value ends inside its field.
    UnattendedSwitches switches;
    ReadUnattendedSwitches(text, &switches);
    if (memchr(switches.destDir, '\0', sizeof switches.destDir) == NULL ||
        memchr(switches.logPath, '\0', sizeof switches.logPath) == NULL)
        __builtin_trap();

    StripCommandQuotes(text);
    const char *argument = nullptr;
    EmbedRole role = ChooseRole(text, &argument);
    if (argument < text || argument > text + strlen(text))
        __builtin_trap();
    if (role == kRoleDeleter && argument != text)
        __builtin_trap();
    return 0;
}
