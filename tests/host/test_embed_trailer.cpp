#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "embed/trailer.h"

namespace {

// A record assembled by hand, field by field, independent of the encoder.
struct Record {
    unsigned char bytes[kEmbedTrailerSize];
    Record() { memset(bytes, 0, sizeof bytes); }
    Record &Put(int offset, const std::string &text)
    {
        memcpy(bytes + offset, text.data(), text.size());
        return *this;
    }
};

std::string Field(const unsigned char *record, int at, int width)
{
    return std::string((const char *)record + at, (size_t)width);
}

std::string Padded(const std::string &text, size_t width)
{
    return text + std::string(width - text.size(), '\0');
}

}  // namespace

TEST(EmbedTrailer, DecodesEveryFieldOfADocumentInstaller)
{
    Record r;
    r.Put(0, "@58368").Put(10, "book.pdf").Put(128, "63368").Put(138, "tarnw32.api")
        .Put(276, "Thank you").Put(331, "YES");
    EmbedFields f;
    ASSERT_EQ(1, DecodeEmbedTrailer(r.bytes, &f));
    EXPECT_EQ(58368, f.docOffset);
    EXPECT_STREQ("book.pdf", f.docName);
    EXPECT_EQ(63368, f.plugOffset);
    EXPECT_STREQ("tarnw32.api", f.plugName);
    EXPECT_STREQ("Thank you", f.closingMessage);
    EXPECT_STREQ("YES", f.selfDelete);
}

TEST(EmbedTrailer, ReadsNoFieldPastItsWidth)
{
    // Every field full and no zero byte anywhere: each reader stops at its
    // width, so no text runs into the next field.
    Record r;
    memset(r.bytes, 'x', sizeof r.bytes);
    r.Put(0, "@123456789").Put(128, "1234567890").Put(331, "YES");
    EmbedFields f;
    ASSERT_EQ(1, DecodeEmbedTrailer(r.bytes, &f));
    EXPECT_EQ(123456789, f.docOffset);
    EXPECT_EQ(std::string(118, 'x'), f.docName);
    EXPECT_EQ(1234567890, f.plugOffset);
    EXPECT_EQ(std::string(16, 'x'), f.plugName);
    EXPECT_EQ(std::string(50, 'x'), f.closingMessage);
    EXPECT_STREQ("YES", f.selfDelete);
}

TEST(EmbedTrailer, RefusesARecordWithoutMarkerAndReadsNumbersAsLeadingDigits)
{
    Record none;
    none.Put(0, "58368");
    EmbedFields f;
    memset(&f, 0x5A, sizeof f);
    EXPECT_EQ(0, DecodeEmbedTrailer(none.bytes, &f));
    EXPECT_EQ(0x5A5A5A5A, f.docOffset) << "a refused record leaves the output alone";

    Record r;
    r.Put(0, "@12ab").Put(128, "7 plug");
    ASSERT_EQ(1, DecodeEmbedTrailer(r.bytes, &f));
    EXPECT_EQ(12, f.docOffset);
    EXPECT_EQ(7, f.plugOffset);
}

TEST(EmbedTrailer, EncodesAtTheListedOffsets)
{
    unsigned char out[kEmbedTrailerSize];
    memset(out, 0xEE, sizeof out);
    EncodeEmbedTrailer(out, 58368, "book.pdf", 63368, "tarnw32.api", "Thank you", "YES");
    Record want;
    want.Put(0, "@58368").Put(10, "book.pdf").Put(128, "63368").Put(138, "tarnw32.api")
        .Put(276, "Thank you").Put(331, "YES");
    EXPECT_EQ(0, memcmp(want.bytes, out, sizeof out));

    EncodeEmbedTrailer(out, 0, "", 0, "", "", "NO");
    Record update;
    update.Put(0, "@0").Put(128, "0").Put(331, "NO");
    EXPECT_EQ(0, memcmp(update.bytes, out, sizeof out));
}

TEST(EmbedTrailer, CutsEveryValueToItsField)
{
    unsigned char out[kEmbedTrailerSize];
    std::string longText(300, 'n');
    EncodeEmbedTrailer(out, 2147483647, longText.c_str(), 2147483647, longText.c_str(),
                       longText.c_str(), "YESNO");
    EXPECT_EQ("@214748364", Field(out, 0, 10)) << "D keeps to its nine digits";
    EXPECT_EQ(Padded(std::string(117, 'n'), 118), Field(out, 10, 118));
    EXPECT_EQ("2147483647", Field(out, 128, 10));
    EXPECT_EQ(Padded(std::string(14, 'n'), 16), Field(out, 138, 16));
    EXPECT_EQ(std::string(50, 'n'), Field(out, 276, 50));
    EXPECT_EQ(std::string(5, '\0'), Field(out, 326, 5)) << "nothing spills into reserved";
    EXPECT_EQ("YES", Field(out, 331, 3));
    EXPECT_EQ(std::string(512 - 334, '\0'), Field(out, 334, 512 - 334));
}

TEST(EmbedTrailer, RoundTripsThroughEncoderAndDecoder)
{
    unsigned char out[kEmbedTrailerSize];
    std::string msg50(50, 'm');
    EncodeEmbedTrailer(out, 9, "a.pdf", 10, "tarnw32.api", msg50.c_str(), "YES");
    EmbedFields f;
    ASSERT_EQ(1, DecodeEmbedTrailer(out, &f));
    EXPECT_EQ(9, f.docOffset);
    EXPECT_EQ(10, f.plugOffset);
    EXPECT_EQ(msg50, f.closingMessage) << "a full field is read whole, nothing after it";
    EXPECT_STREQ("YES", f.selfDelete);
}

TEST(EmbedTrailer, AcceptsOnlyOffsetsThatDescribeTheFile)
{
    struct Case {
        int32_t d, p;
        int64_t t;
        int valid;
    } cases[] = {
        {100, 200, 300, 1},   // document installer
        {100, 100, 300, 1},   // empty document
        {100, 300, 300, 1},   // empty plug-in
        {0, 100, 300, 1},     // plug-in installer
        {0, 0, 300, 1},       // update installer
        {-1, 100, 300, 0},    // D negative
        {0, -5, 300, 0},      // P negative
        {200, 100, 300, 0},   // P before D
        {100, 0, 300, 0},     // a document without a plug-in offset
        {400, 500, 300, 0},   // D past T
        {100, 301, 300, 0},   // P past T
    };
    for (const Case &c : cases) {
        EmbedFields f = {};
        f.docOffset = c.d;
        f.plugOffset = c.p;
        EXPECT_EQ(c.valid, EmbedOffsetsValid(&f, c.t)) << "D " << c.d << " P " << c.p;
    }
}

TEST(EmbedTrailer, StoresTheDocumentNameAsPdf)
{
    char name[256];
    StoredDocumentName("c:\\books\\story.txt", name, sizeof name);
    EXPECT_STREQ("story.pdf", name);
    StoredDocumentName("story.doc", name, sizeof name);
    EXPECT_STREQ("story.pdf", name) << "a path without a backslash is used whole";
    StoredDocumentName("\\ab", name, sizeof name);
    EXPECT_STREQ("pdf", name) << "the first character is not searched";
    StoredDocumentName("c:\\x\\ab", name, sizeof name);
    EXPECT_STREQ("abpdf", name) << "a short name is followed by pdf";
    std::string longName = "c:\\" + std::string(200, 'l') + ".txt";
    StoredDocumentName(longName.c_str(), name, sizeof name);
    EXPECT_EQ(std::string(114, 'l') + "pdf", name) << "cut to the field, still ending in pdf";
    char small[6];
    StoredDocumentName("c:\\story.txt", small, sizeof small);
    EXPECT_STREQ("story", small);
}

TEST(EmbedTrailer, BuilderOffsetsMustFitTheRecordAndTheReader)
{
    EXPECT_EQ(1, EmbedOffsetsFit(999999999, 999999999, 999999999));
    EXPECT_EQ(0, EmbedOffsetsFit(1000000000, 1000000001, 1000000002)) << "D over nine digits";
    EXPECT_EQ(1, EmbedOffsetsFit(0, 2147483647, 2147483647));
    EXPECT_EQ(0, EmbedOffsetsFit(0, 2147483648LL, 2147483648LL)) << "P past 32 bits";
    EXPECT_EQ(0, EmbedOffsetsFit(0, 100, 2147483648LL)) << "a plug-in length past 32 bits";
    EXPECT_EQ(0, EmbedOffsetsFit(0, 100, 99));

    // The reader refuses a plug-in length it could not hold.
    EmbedFields f = {};
    f.plugOffset = 10;
    EXPECT_EQ(1, EmbedOffsetsValid(&f, 2147483647LL + 10));
    EXPECT_EQ(0, EmbedOffsetsValid(&f, 2147483647LL + 11));
}
