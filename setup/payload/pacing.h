// Which steps of the copy and the expansion take their pause. The pauses
// pace what the copy dialog's bar shows; where a step leaves the bar as it
// is, its pause would only make the reader wait. Portable: no Windows API.
#ifndef TARNWICK_PACING_H
#define TARNWICK_PACING_H

#include <stdint.h>

enum {
    kCopyBlockCount = 100,  // the copy's progress count grows by this per full block
    kExpandBarStep = 10,    // each callback call paints the bar this much further
    kExpandBarFull = 100,   // ... against the scale RunInstallation sets first
};

// The copy bar's position, a whole per cent, for a progress count against
// the scale of blocks (as PaintCopyBar is called: count / blocks).
int32_t CopyBarPosition(int32_t count, int32_t blocks);

// Whether a block of the payload copy pauses. count is the progress count
// before the block. A full block adds kCopyBlockCount to it; a short one
// ends its region and adds nothing, but when it ends the payload (the
// archive's last block) the bar is painted full right after it. The block
// pauses when the bar's position after it differs from the one before.
// For a scale of up to 100 blocks every full block moves the bar, so every
// one pauses.
int CopyBlockPauses(int32_t count, int32_t blocks, int fullBlock, int endsPayload);

// Whether the expansion's progress callback pauses on its call number calls
// (0 for the first). It paints calls * kExpandBarStep; once a call has
// painted the bar full, later calls paint the same full bar.
int ExpandCallPauses(int32_t calls);

#endif
