#include "media.h"

#include <windows.h>

#include "common/text.h"
#include "setup/shell/output.h"
#include "setup/shell/state.h"

int DriveKind(char *drive)
{
    AppendText(drive, kSourceDriveSize, ":\\");
    switch (GetDriveTypeA(drive)) {
    case DRIVE_REMOVABLE:
        return kDriveRemovable;
    case DRIVE_FIXED:
        return kDriveFixed;
    case DRIVE_REMOTE:
        return kDriveRemote;
    case DRIVE_CDROM:
        return kDriveCdrom;
    default:
        return kDriveOther;
    }
}

int CheckLaunchMedia(void)
{
    CopyTextN(gState.sourceDrive, sizeof gState.sourceDrive, gState.ownPath, 1);
    if (gState.installMode != 2)
        return 1;
    if (DriveKind(gState.sourceDrive) == kDriveCdrom)
        return 1;
    Tell("This Installer Must be Launched from a CD-ROM!", "Installation Failed!",
         MB_ICONSTOP | MB_OK, IDOK);
    return 0;
}
