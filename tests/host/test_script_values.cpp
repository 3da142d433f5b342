#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "setup/install/script_values.h"

namespace {

struct Read {
    ScriptValues values;
    std::vector<std::pair<ScriptFileOp, std::string>> ops;
};

Read ReadAll(const std::vector<std::string> &lines)
{
    Read r;
    memset(&r.values, 0, sizeof r.values);
    for (const std::string &line : lines) {
        const char *opValue = nullptr;
        ScriptFileOp op = ReadScriptLine(line.c_str(), &r.values, &opValue);
        if (op != kScriptNoOp)
            r.ops.push_back({op, opValue});
    }
    return r;
}

}  // namespace

TEST(ScriptValues, SampleLikeScript)
{
    Read r = ReadAll({"[Setup]", "DEFAULTDIR=C:\\BOOK", "FOLDERTITLE=\"Lighthouse\"",
                      "ICONTITLE=\"The Book\"", "INSTALLER=", "INSTLR16=", "MAINFILE=\\Ebook\\x.pdf",
                      "MINST=0", "ACRO4ONLY=NO", "AUTOLAUNCH=NO", "ROMRESIDENT=NO",
                      "FILE=a.pdf", "UFILE=b.pdf", "ICONFILE=book.ico", "wriFile=  spaced  "});
    EXPECT_STREQ("\"Lighthouse\"", r.values.folderTitle) << "quotes stay";
    EXPECT_STREQ("\"The Book\"", r.values.iconTitle);
    EXPECT_STREQ("", r.values.installer);
    EXPECT_STREQ("\\Ebook\\x.pdf", r.values.mainFile);
    EXPECT_STREQ("NO", r.values.acro4Only);
    EXPECT_STREQ("NO", r.values.autoLaunch);
    EXPECT_STREQ("NO", r.values.romResident);
    EXPECT_STREQ("book.ico", r.values.iconFile);
    EXPECT_STREQ("  spaced  ", r.values.wriFile) << "values are not trimmed";
    EXPECT_TRUE(r.ops.empty());
}

TEST(ScriptValues, LastLineCountsAndFieldsAreCut)
{
    std::string longName(100, 'p');
    Read r = ReadAll({"PLUGIN1=first.api", "plugin1=second.api", "PLUGIN2=" + longName,
                      "MINST=2345678901234567"});
    EXPECT_STREQ("second.api", r.values.plugin1);
    EXPECT_EQ(std::string(63, 'p'), r.values.plugin2);
    EXPECT_STREQ("23456789012", r.values.minst);
}

TEST(ScriptValues, AutoLaunchIsMatchedWithoutItsEqualsSign)
{
    EXPECT_STREQ("YES", ReadAll({"AUTOLAUNCH=YES"}).values.autoLaunch);
    EXPECT_STREQ("YES", ReadAll({"autolaunch:YES"}).values.autoLaunch);
    EXPECT_STREQ("", ReadAll({"AUTOLAUNCH"}).values.autoLaunch) << "nothing past the line";
    EXPECT_STREQ("", ReadAll({"AUTOLAUNCH="}).values.autoLaunch);
}

TEST(ScriptValues, FileOperationsInFileOrder)
{
    Read r = ReadAll({"COPYFILE=\\EBOOK\\BOOK.PDF", "MAKEDIR=\\EBOOK", "copydir=\\X",
                      "MOVEFILE=\\EBOOK\\y.pdf"});
    ASSERT_EQ(4u, r.ops.size());
    EXPECT_EQ(kScriptCopyFile, r.ops[0].first);
    EXPECT_EQ("\\EBOOK\\BOOK.PDF", r.ops[0].second);
    EXPECT_EQ(kScriptMakeDir, r.ops[1].first);
    EXPECT_EQ(kScriptCopyDir, r.ops[2].first);
    EXPECT_EQ("\\X", r.ops[2].second);
    EXPECT_EQ(kScriptMoveFile, r.ops[3].first);
}

TEST(ScriptValues, YesNoAndVersionFourChoices)
{
    EXPECT_TRUE(ValueSaysNo("no"));
    EXPECT_TRUE(ValueSaysNo("Nothing"));
    EXPECT_FALSE(ValueSaysNo("N"));
    EXPECT_TRUE(ValueSaysYes("yes please"));
    EXPECT_FALSE(ValueSaysYes("YE"));
    EXPECT_EQ(kAcro4Install, Acro4OnlyAction("YES"));
    EXPECT_EQ(kAcro4Nothing, Acro4OnlyAction("NO"));
    EXPECT_EQ(kAcro4Ask, Acro4OnlyAction("Y"));
    EXPECT_EQ(kAcro4Ask, Acro4OnlyAction(""));
}

TEST(ScriptValues, EmbedCommandLineWithDriveRoot)
{
    char drive[16];
    strcpy(drive, "D");
    DriveRootOf(drive, sizeof drive);
    EXPECT_STREQ("D:\\", drive);
    strcpy(drive, "D:\\");
    DriveRootOf(drive, sizeof drive);
    EXPECT_STREQ("D:\\", drive);
    strcpy(drive, "D:\\SETUP");
    DriveRootOf(drive, sizeof drive);
    EXPECT_STREQ("D:\\", drive);

    char cmd[256];
    EXPECT_EQ(1, EmbedCommandLine("C:\\PROGRAM FILES\\BOOK", "D:\\", cmd, sizeof cmd));
    EXPECT_STREQ("\"C:\\PROGRAM FILES\\BOOK\\EMBED.EXE\" -cdrom D:\\", cmd);
    std::string deep(250, 'd');
    EXPECT_EQ(0, EmbedCommandLine(deep.c_str(), "D:\\", cmd, sizeof cmd)) << "cut is reported";
    EXPECT_EQ(255u, strlen(cmd));
}

TEST(ScriptValues, CopyAndMovePaths)
{
    char src[256], dst[256];
    EXPECT_EQ(1, CopyFilePaths('D', "C:\\BOOK", "\\EBOOK\\BOOK.PDF", src, dst, sizeof src));
    EXPECT_STREQ("D:\\EBOOK\\BOOK.PDF", src);
    EXPECT_STREQ("C:\\BOOK\\EBOOK\\BOOK.PDF", dst);

    EXPECT_EQ(1, MoveFilePaths("C:\\BOOK", "\\EBOOK\\BOOK.PDF", src, dst, sizeof src));
    EXPECT_STREQ("C:\\BOOK\\BOOK.PDF", src);
    EXPECT_STREQ("C:\\BOOK\\EBOOK\\BOOK.PDF", dst);
    EXPECT_EQ(1, MoveFilePaths("C:\\", "\\EBOOK\\BOOK.PDF", src, dst, sizeof src));
    EXPECT_STREQ("C:\\BOOK.PDF", src);
    EXPECT_STREQ("C:\\EBOOK\\BOOK.PDF", dst);
    EXPECT_EQ(1, MoveFilePaths("C:\\BOOK", "\\BOOK.PDF", src, dst, sizeof src));
    EXPECT_STREQ(src, dst) << "a value without a directory names the file itself";

    char small[12];
    EXPECT_EQ(0, MoveFilePaths("C:\\BOOK", "\\EBOOK\\BOOK.PDF", small, small, sizeof small));
}

// What the toolkit's check learns of a line is what the installer stores.
TEST(ScriptValues, SettingOfALineIsWhatReadScriptLineStores)
{
    ScriptSetting s;
    ASSERT_TRUE(ScriptLineSetting("plugin1=tarnw32.api", &s));
    EXPECT_STREQ("PLUGIN1=", s.key);
    EXPECT_STREQ("tarnw32.api", s.value);
    EXPECT_EQ(sizeof(((ScriptValues *)0)->plugin1), s.fieldSize);
    ASSERT_TRUE(ScriptLineSetting("AUTOLAUNCHED=YES", &s));
    EXPECT_STREQ("D=YES", s.value);
    Read r = ReadAll({"AUTOLAUNCHED=YES"});
    EXPECT_STREQ(s.value, r.values.autoLaunch);
    ASSERT_TRUE(ScriptLineSetting("AUTOLAUNCH", &s));
    EXPECT_STREQ("", s.value);
    EXPECT_FALSE(ScriptLineSetting("MAKEDIR=\\DOCS", &s)) << "file operations set nothing";
    EXPECT_FALSE(ScriptLineSetting("PLUGN1=x", &s));
    // Every key named is one a line can set or run.
    for (size_t i = 0; ScriptKeyName(i) != nullptr; ++i) {
        std::string line = std::string(ScriptKeyName(i)) + "v";
        const char *op = nullptr;
        ScriptValues v;
        memset(&v, 0, sizeof v);
        EXPECT_TRUE(ScriptLineSetting(line.c_str(), &s) ||
                    ReadScriptLine(line.c_str(), &v, &op) != kScriptNoOp) << line;
    }
}
