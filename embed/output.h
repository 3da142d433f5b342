// embed's output: every message box leaves through Tell (common/output.h)
// or Say. A silent delivery shows nothing and writes each text to its log.
#ifndef TARNWICK_EMBED_OUTPUT_H
#define TARNWICK_EMBED_OUTPUT_H

#include <windows.h>

#include "common/output.h"

// Tell of a text formatted with one argument; the silent answer is OK.
int Say(const char *caption, UINT flags, const char *format, const char *arg);

#endif
