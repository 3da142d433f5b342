// The unattended run, for deployment tools: SETUP.EXE /S [/D=DIR]
// [/LOG=FILE] installs without showing anything and UNINSTAL.EXE /S
// removes without asking. Every text that would have been shown goes to
// the log instead, one line each, and the exit status tells the outcome.
#ifndef TARNWICK_UNATTENDED_H
#define TARNWICK_UNATTENDED_H

#include <windows.h>

// Exit statuses of a silent run.
enum {
    kExitComplete = 0,    // "Installation is Complete." (or removed)
    kExitStopped = 1,     // ended early: an alert, the launch-media check,
                          // the destination, or nothing to read
    kExitIncomplete = 2,  // ran to the end as "Installation Not Complete.",
                          // or a bounded wait ran out
};

// The longest a silent run waits for the viewer's installer and for embed.
enum {
    kSilentInstallerWaitSeconds = 900,
    kSilentEmbedWaitSeconds = 600,
};

// Reads the switches of the command line into the state (silent, the log
// path made full, the destination).
void BeginUnattended(const char *cmdLine);

// A message box, or in a silent run its caption and text in the log and
// silentAnswer as if the user had given it.
int Tell(const char *text, const char *caption, UINT flags, int silentAnswer);

// A text the screen would have shown (a status line, a dialog's label):
// into the log in a silent run.
void LogShown(const char *text);

// The silent installation, from the destination to the final text. Returns
// the exit status.
int RunSilentInstallation(void);

// The exit status of a silent installation that has ended.
int SilentExitStatus(void);

#endif
