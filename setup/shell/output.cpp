#include "output.h"

#include <windows.h>

#include "common/log_file.h"
#include "state.h"

// Marks a text that a window already shows: Tell writes it to a silent
// run's log and shows no box for it. No message box flag uses this bit.
static const unsigned kShownByWindow = 0x80000000u;

int Tell(const char *text, const char *caption, unsigned flags, int silentAnswer)
{
    if (!gState.silent)
        return (flags & kShownByWindow) ? silentAnswer : MessageBoxA(NULL, text, caption, flags);
    // A box without a caption of its own is titled "Error" by the system.
    AppendLogLine(gState.logPath, caption != NULL ? caption : "Error", text);
    return silentAnswer;
}

void LogShown(const char *text)
{
    Tell(text, "", kShownByWindow, 0);
}
