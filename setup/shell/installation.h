// The install driver: what the destination dialog's OK starts (copy,
// expansion, licence, script), and the silent run that drives the same
// steps from the command line for deployment tools.
#ifndef TARNWICK_INSTALLATION_H
#define TARNWICK_INSTALLATION_H

// Exit statuses of a silent run, installation or removal.
enum {
    kExitComplete = 0,    // "Installation is Complete.", or everything removed
    kExitStopped = 1,     // ended early: the command line, the log, an alert,
                          // the launch-media check, the destination, no script
    kExitIncomplete = 2,  // ran to the end, but a step was not done, or a
                          // bounded wait ran out
};

// The install driver, run inside the destination dialog's OK handling (or
// by the silent run, which shows none of its dialogs).
void RunInstallation(void);

// The silent installation, from the destination to the final text, as the
// command line asks for it. Returns the exit status.
int RunSilentInstallation(void);

#endif
