// setup's start-up: run mode, payload, main window, main loop.
#ifndef TARNWICK_STARTUP_H
#define TARNWICK_STARTUP_H

#include <windows.h>

// The whole program after the entry point. Returns 0, or a silent run's
// exit status.
int SetupMain(HINSTANCE instance, const char *cmdLine);

#endif
