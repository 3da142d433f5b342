#include "pacing.h"

// In 64 bits, so that no count near the top of its range wraps.
static int64_t Position(int64_t count, int32_t blocks)
{
    // blocks is at least 1 where the copy computes it; a scale of nothing
    // shows nothing.
    return blocks > 0 ? count / blocks : 0;
}

int32_t CopyBarPosition(int32_t count, int32_t blocks)
{
    return (int32_t)Position(count, blocks);
}

int CopyBlockPauses(int32_t count, int32_t blocks, int fullBlock, int endsPayload)
{
    int64_t before = Position(count, blocks);
    int64_t after = before;
    if (fullBlock)
        after = Position((int64_t)count + kCopyBlockCount, blocks);
    else if (endsPayload)
        after = 100;
    return after != before;
}

int ExpandCallPauses(int32_t calls)
{
    // The call that paints kExpandBarFull pauses like those before it; from
    // the next one on the bar is already full.
    return calls >= 0 && calls <= kExpandBarFull / kExpandBarStep;
}
