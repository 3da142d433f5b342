#include "ansi_code_page.h"

#include <windows.h>

#include "codepage.h"

void LoadAnsiCodePage(void)
{
    CPINFO info;
    // Without an answer every byte stays a character of its own.
    if (!GetCPInfo(CP_ACP, &info) || info.MaxCharSize < 2) {
        SetLeadByteRanges(0, 0);
        return;
    }
    SetLeadByteRanges(info.LeadByte, sizeof info.LeadByte);
}
