#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "embed/build_file.h"

namespace {

BuildSettings Read(const std::string &text)
{
    BuildSettings s;
    memset(&s, 0, sizeof s);
    FILE *f = fmemopen((void *)text.data(), text.size(), "r");
    ReadBuildLines(f, &s);
    fclose(f);
    return s;
}

}  // namespace

TEST(BuildFile, ReadsKeysInAnyCaseLaterLinesWinning)
{
    BuildSettings s = Read(
        "path1=C:\\out\\doc.exe\r\n"
        "PATH2=NULL\r\n"
        "Path3=C:\\out\\upd.exe\n"
        "MSG=first\r\n"
        "msg= second  \r\n"
        "DEL=YES\r\n"
        "PATH4=ignored\r\n"
        "# PATH1=not at the start\r\n");
    EXPECT_STREQ("C:\\out\\doc.exe", s.path1);
    EXPECT_STREQ("NULL", s.path2);
    EXPECT_STREQ("C:\\out\\upd.exe", s.path3);
    EXPECT_STREQ(" second  ", s.message) << "the value is not trimmed";
    EXPECT_STREQ("YES", s.selfDelete);
}

TEST(BuildFile, TakesALongLineAsSeveral)
{
    // The part of an over-long line past the buffer is read as a line of its
    // own, so a key hidden there still counts.
    std::string text = "MSG=" + std::string(251, 'a') + "DEL=NO\r\n";
    BuildSettings s = Read(text);
    EXPECT_EQ(std::string(251, 'a'), s.message);
    EXPECT_STREQ("NO", s.selfDelete);
}

TEST(BuildFile, KeepsAnEmptyOrMissingValueEmpty)
{
    BuildSettings s = Read("PATH1=\r\nMSG=\r\n");
    EXPECT_STREQ("", s.path1);
    EXPECT_STREQ("", s.path2);
    EXPECT_EQ(0, IsNullPath(s.path1)) << "empty is not NULL";
}

TEST(BuildFile, MatchesNullInCapitalsOnly)
{
    EXPECT_EQ(1, IsNullPath("NULL"));
    EXPECT_EQ(1, IsNullPath("NULLS and more"));
    EXPECT_EQ(0, IsNullPath("null"));
    EXPECT_EQ(0, IsNullPath("Null"));
    EXPECT_EQ(0, IsNullPath("NUL"));
}

TEST(BuildFile, MarksAPathCutFromALongerLine)
{
    std::string longPath = "C:\\" + std::string(300, 'd') + "\\doc.exe";
    BuildSettings s = Read("PATH1=" + longPath + "\r\nPATH3=C:\\upd.exe\r\n");
    EXPECT_EQ(1, s.pathCut[0]) << "only the start of the path fits the line buffer";
    EXPECT_EQ(0, s.pathCut[2]);
    EXPECT_STREQ("C:\\upd.exe", s.path3);

    // A line of exactly 255 characters before its line end is whole.
    std::string exact = "PATH2=" + std::string(255 - 6, 'x');
    s = Read(exact + "\r\n" + exact + "\n" + exact);
    EXPECT_EQ(0, s.pathCut[1]);
    EXPECT_EQ(249u, strlen(s.path2));

    // A later whole line for the same key clears the mark.
    s = Read("path1=" + longPath + "\nPATH1=C:\\doc.exe\n");
    EXPECT_EQ(0, s.pathCut[0]);
    EXPECT_STREQ("C:\\doc.exe", s.path1);
}
