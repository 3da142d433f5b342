#include <gtest/gtest.h>

#include <string>

#include "setup/shell/alert_text.h"

namespace {

std::string Text(int code, const char *dest = "C:\\BOOK", const char *own = "D:\\SETUP.EXE")
{
    char out[kAlertTextSize];
    memset(out, 'X', sizeof out);
    FormatAlertText(code, dest, own, out, sizeof out);
    return out;
}

}  // namespace

TEST(AlertText, EveryCodeOfTheTable)
{
    EXPECT_EQ("Cannot CD to: C:\\BOOK.", Text(1000));
    EXPECT_EQ("Cannot load C:\\BOOK\\METER.DLL.", Text(1001));
    EXPECT_EQ("Are you sure you want to cancel?", Text(1002));
    EXPECT_EQ("Cannot read: D:\\SETUP.EXE.", Text(1003));
    EXPECT_EQ("File: D:\\SETUP.EXE first must be initialized using Tarnwick PDF Publisher.",
              Text(1004));
    EXPECT_EQ("Cannot write into directory: C:\\BOOK.", Text(1005));
    EXPECT_EQ("Cannot load: C:\\BOOK\\DUNZIP32.DLL.", Text(1006));
    EXPECT_EQ("File: C:\\BOOK\\DUNZIP32.DLL is corrupted.", Text(1007));
    EXPECT_EQ("Decompress error due to program currently running, no write permission, "
              "or disk full",
              Text(1008));
    EXPECT_EQ("Cannot execute: C:\\BOOK\\DELIVER.EXE", Text(1009));
    EXPECT_EQ("Cannot load VER.DLL", Text(1010));
    EXPECT_EQ("Internal Error", Text(1011));
    EXPECT_EQ("Cannot find PROFILE.INI and REACH.INI files in: C:\\BOOK", Text(1012));
    EXPECT_EQ("Unknown error occurred.", Text(999));
    EXPECT_EQ("Unknown error occurred.", Text(1013));
}

TEST(AlertText, CutTo255Characters)
{
    std::string longPath(300, 'P');
    std::string text = Text(1003, "", longPath.c_str());
    EXPECT_EQ(255u, text.size());
    EXPECT_EQ("Cannot read: PPP", text.substr(0, 16));

    char small[8];
    FormatAlertText(1011, "", "", small, sizeof small);
    EXPECT_STREQ("Interna", small);
}
