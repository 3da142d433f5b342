// What a silent run tells the deployment tool that started it.
#ifndef TARNWICK_EXIT_STATUS_H
#define TARNWICK_EXIT_STATUS_H

// Exit statuses of a silent run, installation or removal.
enum {
    kExitComplete = 0,    // "Installation is Complete.", or everything removed
    kExitStopped = 1,     // ended early: the command line, the log, an alert,
                          // the launch-media check, the destination, no script
    kExitIncomplete = 2,  // ran to the end, but a step was not done, or a
                          // bounded wait ran out
};

#endif
