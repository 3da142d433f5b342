#include <gtest/gtest.h>
#include <stddef.h>

#include "setup/payload/unzip_params.h"

// The record must look the same to a native reader, which is how our
// library's portable core sees it.
TEST(UnzipParams, LayoutIsPackedAndLittleEndian)
{
    EXPECT_EQ(142u, sizeof(UnzipParams));
    EXPECT_EQ(60u, offsetof(UnzipParams, callback));
    EXPECT_EQ(64u, offsetof(UnzipParams, reserved64));
    UnzipParams p = {};
    p.structSize = kUnzipParamsSize;
    p.flag108 = 1;
    const unsigned char *b = (const unsigned char *)&p;
    EXPECT_EQ(142, b[0]);
    EXPECT_EQ(1, b[108]);
    EXPECT_EQ(0, b[109]);
}
