// The Win32 side of the code-page layer (common/codepage.h).
#ifndef TARNWICK_ANSI_CODE_PAGE_H
#define TARNWICK_ANSI_CODE_PAGE_H

// Fills the lead-byte table from the system's ANSI code page, as every
// ANSI path and name the process meets is written in it. Called first
// thing by setup and embed, and by DUNZIP32.DLL for each expansion.
void LoadAnsiCodePage(void);

#endif
