#include <gtest/gtest.h>
#include <stddef.h>
#include <string.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "common/text_lines.h"

TEST(CopyText, CutsToCapacityAndNeverWritesPastIt)
{
    char buf[8];
    memset(buf, 'X', sizeof buf);
    EXPECT_EQ(4u, CopyText(buf, 5, "abcdefgh"));
    EXPECT_STREQ("abcd", buf);
    EXPECT_EQ('X', buf[5]) << "byte past the capacity was written";

    EXPECT_EQ(0u, CopyText(buf, 0, "abc"));
    EXPECT_EQ('a', buf[0]) << "capacity 0 must write nothing";

    EXPECT_EQ(3u, CopyText(buf, sizeof buf, "xyz"));
    EXPECT_STREQ("xyz", buf);
}

TEST(CopyText, CountLimitAndAppend)
{
    char buf[10];
    EXPECT_EQ(2u, CopyTextN(buf, sizeof buf, "abcdef", 2));
    EXPECT_STREQ("ab", buf);
    EXPECT_EQ(2u, CopyTextN(buf, sizeof buf, "ab", 7)) << "stops at the NUL";

    CopyText(buf, sizeof buf, "C:\\A");
    EXPECT_EQ(9u, AppendText(buf, sizeof buf, "\\tarnwsi.ini"));
    EXPECT_STREQ("C:\\A\\tarn", buf);
}

TEST(StripLineEnd, EndsAtFirstLineEnd)
{
    char a[] = "KEY=value\r\r\n";
    StripLineEnd(a);
    EXPECT_STREQ("KEY=value", a);
    EXPECT_EQ('\0', a[10]) << "every CR and LF is overwritten, not just the first";
    EXPECT_EQ('\0', a[11]);

    char b[] = "one\rtwo";
    StripLineEnd(b);
    EXPECT_STREQ("one", b);
    char c[] = "";
    StripLineEnd(c);
    EXPECT_STREQ("", c);
}

TEST(CaseFolding, ComparesAsciiWithoutCase)
{
    EXPECT_TRUE(EqualsNoCase("uninstal.exe", "UNINSTAL.EXE"));
    EXPECT_FALSE(EqualsNoCase("UNINSTAL.EX", "UNINSTAL.EXE"));
    EXPECT_FALSE(EqualsNoCase("UNINSTAL.EXE2", "UNINSTAL.EXE"));
    EXPECT_TRUE(StartsWithNoCase("pubname=Book", "PUBNAME="));
    EXPECT_FALSE(StartsWithNoCase("PUBNAM", "PUBNAME="));
    char s[] = "c:\\book\\x1";
    UpperCase(s);
    EXPECT_STREQ("C:\\BOOK\\X1", s);
}

TEST(DecimalPrefix, BehavesLikeTheRuntimeConversion)
{
    EXPECT_EQ(159, DecimalPrefix("159,", 3));
    EXPECT_EQ(6, DecimalPrefix("64,", 1)) << "only n characters are read";
    EXPECT_EQ(0, DecimalPrefix(",12", 3));
    EXPECT_EQ(-42, DecimalPrefix("  -42x", 6));
    EXPECT_EQ(0, DecimalPrefix("", 5));
    EXPECT_EQ(INT32_MAX, DecimalPrefix("99999999999999999999", 20));
    EXPECT_EQ(INT32_MIN, DecimalPrefix("-99999999999999999999", 21));
}

TEST(StoreKeyValue, FillsTheMatchingFieldOnlyCutToItsSize)
{
    struct Record {
        char first[4];
        char guard;
        char second[8];
    } record;
    memset(&record, 'X', sizeof record);
    const KeyField keys[] = {
        {"ONE=", offsetof(Record, first), sizeof record.first},
        {"TWO=", offsetof(Record, second), sizeof record.second},
    };
    EXPECT_EQ(1, StoreKeyValue("one=abcdef", keys, 2, &record));
    EXPECT_STREQ("abc", record.first);
    EXPECT_EQ('X', record.guard) << "value ran past its field";
    EXPECT_EQ('X', record.second[0]) << "another field was touched";

    EXPECT_EQ(0, StoreKeyValue("THREE=x", keys, 2, &record));
    EXPECT_EQ(0, StoreKeyValue("TWO", keys, 2, &record)) << "key without its equals sign";
    EXPECT_EQ('X', record.second[0]);
    EXPECT_EQ(1, StoreKeyValue("TWO= b ", keys, 2, &record));
    EXPECT_STREQ(" b ", record.second) << "values are not trimmed";
}

namespace {

struct Read {
    std::vector<std::string> pieces;
    std::vector<long> lines;
    std::vector<int> continues;
};

// Every piece of bytes as a text file read by the programs on Windows.
Read Pieces(const std::string &bytes)
{
    Read r;
    FILE *f = fmemopen((void *)bytes.data(), bytes.size(), "rb");
    TextLines t;
    BeginTextLines(&t, f);
    char piece[kTextPieceSize];
    while (NextTextPiece(&t, piece, sizeof piece)) {
        r.pieces.push_back(piece);
        r.lines.push_back(t.line);
        r.continues.push_back(t.continues);
    }
    fclose(f);
    return r;
}

}  // namespace

TEST(TextLines, ReadAsTextModeAndFgetsReadThem)
{
    // CR LF is LF; a CR alone stays, and so does what a later CR LF makes
    // of CR CR LF; a Ctrl-Z ends the file.
    Read r = Pieces("A=1\r\nB=2\rC=3\r\r\nD=4\nE=5\x1a" "F=6\r\n");
    EXPECT_EQ((std::vector<std::string>{"A=1\n", "B=2\rC=3\r\n", "D=4\n", "E=5"}), r.pieces);
    EXPECT_EQ((std::vector<long>{1, 2, 3, 4}), r.lines);
    EXPECT_TRUE(Pieces("").pieces.empty());
    EXPECT_TRUE(Pieces("\x1a" "A=1\r\n").pieces.empty());

    // A long line arrives in pieces of 255 characters, each on the same line
    // of the file; the last piece of a line says no more follows. A line of
    // exactly 255 is followed by its line end alone.
    std::string longLine(300, 'x'), exact(255, 'y');
    r = Pieces(longLine + "\r\n" + exact + "\r\nZ=1");
    ASSERT_EQ(5u, r.pieces.size());
    EXPECT_EQ(std::string(255, 'x'), r.pieces[0]);
    EXPECT_EQ(std::string(45, 'x') + "\n", r.pieces[1]);
    EXPECT_EQ(exact, r.pieces[2]);
    EXPECT_EQ("\n", r.pieces[3]);
    EXPECT_EQ("Z=1", r.pieces[4]);
    EXPECT_EQ((std::vector<long>{1, 1, 2, 2, 3}), r.lines);
    EXPECT_EQ((std::vector<int>{1, 0, 0, 0, 0}), r.continues);
    // A CR at the 255th character's heels, cut from its LF by the room.
    r = Pieces(std::string(254, 'w') + "\r\r\n");
    ASSERT_EQ(2u, r.pieces.size());
    EXPECT_EQ(std::string(254, 'w') + "\r", r.pieces[0]);
    EXPECT_EQ("\n", r.pieces[1]);
}
