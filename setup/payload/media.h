// The launch-media check: a package may insist on running from a CD-ROM.
#ifndef TARNWICK_MEDIA_H
#define TARNWICK_MEDIA_H

enum DriveKindValue {
    kDriveOther = 0,  // unknown, no such root, RAM disk, anything else
    kDriveRemovable = 1,
    kDriveFixed = 2,
    kDriveRemote = 3,
    kDriveCdrom = 4,
};

// drive holds a drive letter; ":\" is appended to it in place (its buffer
// must have room for 3 more bytes), and the kind of that root is returned.
int DriveKind(char *drive);

// Records the source drive; in install mode 2 refuses any drive but a
// CD-ROM. Returns 1 to go on, 0 to end the program.
int CheckLaunchMedia(void);

#endif
