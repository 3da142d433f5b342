#include "viewer_install.h"

// TODO(viewer installer issue): starting the script's installer and waiting
// for its "Reader" and "Setup" windows replaces this stub. Until then no
// installer runs, and the sequence goes on as after an installer that
// changed nothing.
void InstallAcrobat(void)
{
}
