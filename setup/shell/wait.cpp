#include "wait.h"

#include "state.h"

int PumpMessages(void)
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 1;
}

DWORD WaitSeconds(double seconds)
{
    const double limit = seconds * 1000.0;
    const DWORD start = GetTickCount();
    DWORD elapsed;
    for (;;) {
        PumpMessages();
        elapsed = GetTickCount() - start;  // unsigned: survives one wrap
        if ((double)elapsed > limit)
            break;
        // Sleep until a message arrives or the time is up instead of spinning;
        // whatever arrives is dispatched just as promptly.
        DWORD remaining = (DWORD)(limit - (double)elapsed) + 1;
        MsgWaitForMultipleObjects(0, NULL, FALSE, remaining, QS_ALLINPUT);
    }
    return elapsed;
}

DWORD PauseSeconds(double seconds)
{
    return WaitSeconds(gState.silent ? 0 : seconds);
}

void ArrowCursor(void)
{
    SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_ARROW));
}

void HourglassCursor(void)
{
    SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_WAIT));
}
