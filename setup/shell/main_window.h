// The branded QUICKINST main window, its branding settings and the
// destination dialog it owns.
#ifndef TARNWICK_MAIN_WINDOW_H
#define TARNWICK_MAIN_WINDOW_H

#include <windows.h>

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Registers QUICKINST and opens the maximised main window titled with the
// publication name. Returns 0 when either fails.
int OpenMainWindow(void);

// Reads the branding settings: tarnwsi.ini, when the current directory has
// one, from the copy beside the program; otherwise Setup.bmp in the current
// directory at position 5, 5. Returns 1 when either file was found.
int ReadBrandingSettings(void);

// Reads tarnwsi.ini (beside the program) or falls back to Setup.bmp in the
// current directory; paints the background bitmap once when either exists.
void ShowBranding(void);

// Creates dialog 101 owned by the main window and sets its texts.
void OpenDestinationDialog(void);

// Runs the main message loop until the quit message or a cancel.
void RunMainLoop(void);

#endif
