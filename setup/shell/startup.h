// setup's start-up: run mode, payload, main window, main loop.
#ifndef TARNWICK_STARTUP_H
#define TARNWICK_STARTUP_H

#include <windows.h>

// The whole program after the entry point; always returns 0.
int SetupMain(HINSTANCE instance, const char *cmdLine);

#endif
