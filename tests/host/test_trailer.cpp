#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "setup/payload/trailer.h"

namespace {

// A record assembled by hand, field by field, independent of the encoder.
struct Record {
    unsigned char bytes[kTrailerSize];
    Record() { memset(bytes, 0, sizeof bytes); }
    Record &Put(int offset, const std::string &text)
    {
        memcpy(bytes + offset, text.data(), text.size());
        return *this;
    }
};

PayloadSettings Decode(const Record &r, int *ok = nullptr)
{
    PayloadSettings s;
    memset(&s, 0x5A, sizeof s);  // sentinel: what the decoder does not set stays
    s.copyBarShade = 0;
    s.expandBarShade = 0;
    int result = DecodePayloadTrailer(r.bytes, &s);
    if (ok)
        *ok = result;
    return s;
}

}  // namespace

TEST(PayloadTrailer, DecodesTheSampleRecord)
{
    Record r;
    r.Put(0, "@C:\\BOOK").Put(128, "A Sample Book").Put(256, "98832 DUNZIP32.DLL")
        .Put(320, "198672 PACK.BOX").Put(416, "159,159,159,2,0,3").Put(464, "000,064,128");
    int ok = 0;
    PayloadSettings s = Decode(r, &ok);
    ASSERT_EQ(1, ok);
    EXPECT_STREQ("C:\\BOOK", s.destDir);
    EXPECT_STREQ("A Sample Book", s.pubName);
    EXPECT_EQ(98832, s.dunzipOffset);
    EXPECT_EQ(198672, s.packOffset);
    EXPECT_EQ(159, s.dialogRgb[0]);
    EXPECT_EQ(159, s.dialogRgb[1]);
    EXPECT_EQ(159, s.dialogRgb[2]);
    EXPECT_EQ(2, s.installMode);
    EXPECT_EQ(4, s.copyBarShade) << "digit 0 is the black stock brush";
    EXPECT_EQ(1, s.expandBarShade) << "digit 3 is the light grey stock brush";
    EXPECT_EQ(0, s.backdropRgb[0]);
    EXPECT_EQ(64, s.backdropRgb[1]);
    EXPECT_EQ(128, s.backdropRgb[2]);
}

TEST(PayloadTrailer, RefusesARecordWithoutMarker)
{
    Record r;
    r.Put(0, "C:\\BOOK");
    int ok = 1;
    PayloadSettings s = Decode(r, &ok);
    EXPECT_EQ(0, ok);
    EXPECT_EQ(0x5A5A5A5A, s.dunzipOffset) << "a refused record leaves the output alone";
}

TEST(PayloadTrailer, ReadsColoursAtFixedPositions)
{
    // Without three-digit groups the fixed positions 0-2, 4-6, 8-10 and 12
    // fall on "0,6", ",12", ",2" and past the end.
    Record r;
    r.Put(0, "@").Put(416, "0,64,128,2");
    PayloadSettings s = Decode(r);
    EXPECT_EQ(0, s.dialogRgb[0]);
    EXPECT_EQ(0, s.dialogRgb[1]);
    EXPECT_EQ(0, s.dialogRgb[2]);
    EXPECT_EQ(0, s.installMode);
    Record shifted;
    shifted.Put(0, "@").Put(416, "7,  4,  8,3");
    PayloadSettings t = Decode(shifted);
    EXPECT_EQ(7, t.dialogRgb[0]);
    EXPECT_EQ(4, t.dialogRgb[1]) << "leading blanks are skipped";
    EXPECT_EQ(8, t.dialogRgb[2]);
    EXPECT_EQ(0, t.installMode) << "position 12 is past the end";
    EXPECT_EQ(0, s.copyBarShade) << "no digit at 14 keeps the preset";
    EXPECT_EQ(0, s.backdropRgb[0]) << "a missing R2 reads as zeros";
}

TEST(PayloadTrailer, MapsShadeDigitsAndKeepsThePresetForOthers)
{
    const int expected[] = {4, 3, 2, 1, 5, 0};
    for (int digit = 0; digit <= 9; ++digit) {
        Record r;
        std::string r1 = "001,002,003,0," + std::to_string(digit) + "," + std::to_string(digit);
        r.Put(0, "@").Put(416, r1);
        PayloadSettings s;
        memset(&s, 0, sizeof s);
        s.copyBarShade = 77;
        s.expandBarShade = 78;
        ASSERT_EQ(1, DecodePayloadTrailer(r.bytes, &s));
        if (digit < 6) {
            EXPECT_EQ(expected[digit], s.copyBarShade) << "digit " << digit;
            EXPECT_EQ(expected[digit], s.expandBarShade) << "digit " << digit;
        } else {
            EXPECT_EQ(77, s.copyBarShade) << "digit " << digit;
            EXPECT_EQ(78, s.expandBarShade) << "digit " << digit;
        }
    }
    Record hollow;
    hollow.Put(0, "@").Put(416, "000,000,000,0,4,4");
    EXPECT_EQ(5, Decode(hollow).copyBarShade) << "4 is the hollow brush";
    Record letter;
    letter.Put(0, "@").Put(416, "000,000,000,x");
    EXPECT_EQ(0, Decode(letter).installMode) << "a non-digit install mode is 0";
}

TEST(PayloadTrailer, OffsetWithoutSpaceStaysZero)
{
    Record r;
    r.Put(0, "@").Put(256, "98832").Put(320, "198672 PACK.BOX");
    PayloadSettings s = Decode(r);
    EXPECT_EQ(0, s.dunzipOffset);
    EXPECT_EQ(198672, s.packOffset);
}

TEST(PayloadTrailer, FieldsWithoutTerminatorStayInsideTheirField)
{
    Record r;
    memset(r.bytes, 'A', sizeof r.bytes);
    r.bytes[0] = '@';
    PayloadSettings s = Decode(r);
    EXPECT_EQ(127u, strlen(s.destDir)) << "bytes 1-127 at most";
    EXPECT_EQ(127u, strlen(s.pubName));
    EXPECT_EQ(0, s.dunzipOffset);
}

TEST(PayloadTrailer, EncoderMatchesAHandAssembledRecord)
{
    unsigned char built[kTrailerSize];
    memset(built, 0xEE, sizeof built);
    EncodePayloadTrailer(built, "C:\\BOOK", "A Sample Book", 98832, 198672,
                         "159,159,159,2,0,3", "000,064,128");
    Record r;
    r.Put(0, "@C:\\BOOK").Put(128, "A Sample Book").Put(256, "98832 DUNZIP32.DLL")
        .Put(320, "198672 PACK.BOX").Put(416, "159,159,159,2,0,3").Put(464, "000,064,128");
    EXPECT_EQ(0, memcmp(r.bytes, built, kTrailerSize));
}

TEST(PayloadTrailer, EncoderCutsLongValuesToTheirFields)
{
    std::string longText(300, 'x');
    unsigned char built[kTrailerSize];
    EncodePayloadTrailer(built, longText.c_str(), longText.c_str(), 1, 2,
                         longText.c_str(), longText.c_str());
    Record r;
    r.Put(0, "@" + std::string(126, 'x')).Put(128, std::string(127, 'x'))
        .Put(256, "1 DUNZIP32.DLL").Put(320, "2 PACK.BOX")
        .Put(416, std::string(47, 'x')).Put(464, std::string(47, 'x'));
    EXPECT_EQ(0, memcmp(r.bytes, built, kTrailerSize));

    PayloadSettings s = Decode(r);
    EXPECT_EQ(std::string(126, 'x'), s.destDir);
    EXPECT_EQ(2, s.packOffset);
}

TEST(PayloadTrailer, OffsetsMustDescribeTheFile)
{
    PayloadSettings s = {};
    const int64_t size = 337989;  // trailer at 337477
    s.dunzipOffset = 98832;
    s.packOffset = 198672;
    EXPECT_TRUE(PayloadOffsetsValid(&s, size));
    s.packOffset = 337477;
    EXPECT_TRUE(PayloadOffsetsValid(&s, size)) << "an empty PACK.BOX ends at the trailer";
    s.packOffset = 337478;
    EXPECT_FALSE(PayloadOffsetsValid(&s, size)) << "past the trailer";
    s.packOffset = 98831;
    EXPECT_FALSE(PayloadOffsetsValid(&s, size)) << "PACK.BOX before DUNZIP32.DLL";
    s.dunzipOffset = -1;
    s.packOffset = 198672;
    EXPECT_FALSE(PayloadOffsetsValid(&s, size)) << "negative offset";
    s.dunzipOffset = 0;
    s.packOffset = 0;
    EXPECT_FALSE(PayloadOffsetsValid(&s, 100)) << "a file shorter than a trailer";
}
