#include <gtest/gtest.h>
#include <stdint.h>

#include <vector>

#include "setup/payload/pacing.h"

namespace {

const int64_t kBlock = 4096;
const int64_t kTrailer = 512;

// One block of the copy as the reader sees it: whether it paused, and the
// bar's position once it is done (the last one painted so far).
struct Step {
    bool paused;
    int32_t shown;
};

// Walks the copy of a package as ExtractPayload does: the library's region
// (pausing after its full blocks), then the archive's (pausing before each
// read, the short last one included), then the full bar. image is what
// precedes the library in the file (program and METER.DLL). With
// everyBlock, each block pauses as it did before pacing followed the bar.
std::vector<Step> Walk(int64_t image, int64_t dll, int64_t pack, bool everyBlock, int32_t *blocksOut)
{
    int64_t size = image + dll + pack + kTrailer;
    int32_t blocks = (int32_t)((size - kTrailer) / kBlock + 1);
    *blocksOut = blocks;
    std::vector<Step> steps;
    int32_t count = 0, shown = 0;
    for (int region = 0; region < 2; ++region) {
        int64_t left = region == 0 ? dll : pack;
        bool ends = region == 1;
        for (;;) {
            bool full = left >= kBlock;
            bool paused = everyBlock ? (full || ends) : CopyBlockPauses(count, blocks, full, ends) != 0;
            left -= full ? kBlock : left;
            if (!full) {
                if (ends)
                    shown = 100;
                steps.push_back({paused, shown});
                break;
            }
            count += kCopyBlockCount;
            shown = CopyBarPosition(count, blocks);
            steps.push_back({paused, shown});
        }
    }
    return steps;
}

}  // namespace

// Up to 100 blocks every block moves the bar, and the copy is paced as it
// always was: after every full block of the library, before every block of
// the archive including its short or empty last one.
TEST(Pacing, UpToAHundredBlocksEveryBlockPausesAsBefore)
{
    const int64_t images[] = {0, 50 * 1024 + 77, 200 * 1024};
    const int64_t dlls[] = {0, 1, 4095, 4096, 4097, 12288, 40000};
    const int64_t packs[] = {0, 1, 4096, 5000, 36237, 100000, 160000, 200 * 1024};
    int checked = 0;
    for (int64_t image : images)
        for (int64_t dll : dlls)
            for (int64_t pack : packs) {
                int32_t blocks = 0;
                std::vector<Step> before = Walk(image, dll, pack, true, &blocks);
                if (blocks > 100)
                    continue;
                std::vector<Step> now = Walk(image, dll, pack, false, &blocks);
                ASSERT_EQ(before.size(), now.size());
                for (size_t i = 0; i < now.size(); ++i) {
                    EXPECT_EQ(before[i].paused, now[i].paused)
                        << "image " << image << " dll " << dll << " pack " << pack << " block " << i;
                    EXPECT_EQ(before[i].shown, now[i].shown);
                }
                ++checked;
            }
    EXPECT_GT(checked, 50) << "the table should hold packages of up to 100 blocks";
}

// Above 100 blocks a block pauses exactly when the bar moves after it, so
// the pauses are one per visible step: at most 100 and the full bar.
TEST(Pacing, LargerPackagesPauseOncePerVisibleStep)
{
    const int64_t packs[] = {100 * 4096, 150 * 4096 + 9, 400 * 1024, 2 * 1024 * 1024, 20 * 1024 * 1024 + 3,
                             300 * 1024 * 1024};
    for (int64_t pack : packs) {
        int32_t blocks = 0;
        std::vector<Step> steps = Walk(190 * 1024, 60 * 1024, pack, false, &blocks);
        ASSERT_GT(blocks, 100);
        int32_t shown = 0;
        int pauses = 0;
        for (size_t i = 0; i < steps.size(); ++i) {
            EXPECT_EQ(steps[i].shown != shown, steps[i].paused) << "pack " << pack << " block " << i;
            shown = steps[i].shown;
            pauses += steps[i].paused;
        }
        EXPECT_EQ(100, shown);
        EXPECT_LE(pauses, 101) << "pack " << pack;
        EXPECT_GE(pauses, 2);
        EXPECT_TRUE(steps.back().paused) << "the archive's last block brings the full bar";
    }
}

TEST(Pacing, WhichBlocksMoveTheBar)
{
    // 5,000 blocks: one per cent every 50 blocks.
    EXPECT_FALSE(CopyBlockPauses(0, 5000, 1, 0));
    EXPECT_FALSE(CopyBlockPauses(4800, 5000, 1, 1));
    EXPECT_TRUE(CopyBlockPauses(4900, 5000, 1, 0));
    EXPECT_TRUE(CopyBlockPauses(4900, 5000, 1, 1));
    EXPECT_FALSE(CopyBlockPauses(5000, 5000, 1, 0));
    // A short block moves nothing but at the end of the payload.
    EXPECT_FALSE(CopyBlockPauses(4900, 5000, 0, 0));
    EXPECT_FALSE(CopyBlockPauses(0, 1, 0, 0));
    EXPECT_TRUE(CopyBlockPauses(0, 5000, 0, 1));
    EXPECT_TRUE(CopyBlockPauses(499900, 5000, 0, 1));
    // Small scales move several per cent a block.
    EXPECT_TRUE(CopyBlockPauses(0, 1, 1, 0));
    EXPECT_TRUE(CopyBlockPauses(9900, 100, 1, 0));
    EXPECT_EQ(33, CopyBarPosition(100, 3));
}

// Counts near the top of their range and scales of nothing stay defined
// (UBSan watches the arithmetic).
TEST(Pacing, ExtremeCountsAndScales)
{
    EXPECT_TRUE(CopyBlockPauses(INT32_MAX - 10, 1, 1, 0));
    EXPECT_TRUE(CopyBlockPauses(INT32_MAX - 10, INT32_MAX, 1, 0));
    EXPECT_FALSE(CopyBlockPauses(100, INT32_MAX, 1, 0));
    EXPECT_EQ(0, CopyBarPosition(500, 0));
    EXPECT_FALSE(CopyBlockPauses(500, 0, 1, 0));
    EXPECT_FALSE(CopyBlockPauses(500, -3, 1, 0));
}

// The expansion's bar is full at the eleventh call (10 x 10 of 100); every
// call up to that one keeps its second, the later ones would wait in front
// of a full bar.
TEST(Pacing, ExpansionPausesUntilTheBarIsFull)
{
    for (int32_t calls = 0; calls <= 10; ++calls)
        EXPECT_TRUE(ExpandCallPauses(calls)) << calls;
    EXPECT_FALSE(ExpandCallPauses(11));
    EXPECT_FALSE(ExpandCallPauses(500));
    EXPECT_FALSE(ExpandCallPauses(-1));
}
