// The dialogs' colour: the trailer's dialog colour as one brush for the
// program's life, and the colour replies of the plain dialogs (the status
// and completion dialogs show only text on it).
#ifndef TARNWICK_DIALOG_COLOUR_H
#define TARNWICK_DIALOG_COLOUR_H

#include <windows.h>

// The brush, made on first use from the colour nearest the dialog colour
// on deviceWnd's device, instead of a new one for every colour message.
HBRUSH DialogBrush(HWND deviceWnd);

// A plain dialog's reply to msg: the brush for its background and its
// static and edit controls, which are drawn transparent; 0 for any other.
INT_PTR PlainDialogColour(UINT msg, WPARAM wParam);

#endif
