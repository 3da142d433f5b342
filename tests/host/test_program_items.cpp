#include <gtest/gtest.h>

#include <string>

#include "setup/install/program_items.h"

namespace {

std::string Name(const char *value, size_t cap = 256)
{
    char name[256];
    QuotedValueName(value, name, cap);
    return name;
}

std::string Target(char drive, const char *dir, const char *mainFile, const char *rom,
                   int *whole = nullptr, size_t cap = 256)
{
    char target[256];
    int fits = MainTargetOf(drive, dir, mainFile, rom, target, cap);
    if (whole)
        *whole = fits;
    return target;
}

}  // namespace

TEST(ProgramItems, QuotedValuesLoseFirstAndLastCharacter)
{
    EXPECT_EQ("My Books", Name("\"My Books\""));
    EXPECT_EQ("ook", Name("Books")) << "an unquoted value is cut all the same";
    EXPECT_EQ("", Name("\"\""));
    EXPECT_EQ("", Name("X")) << "too short: no name";
    EXPECT_EQ("", Name(""));
    EXPECT_EQ("My", Name("\"My Books\"", 3)) << "cut to the buffer";
}

TEST(ProgramItems, OnlyPlainGroupNamesAreUsed)
{
    for (const char *good : {"The Lighthouse Keeper", "v1.0 Books", "..x", "Wait.. and See",
                             "Poems, Volume 1", "Notes (2nd) [draft]"})
        EXPECT_TRUE(IsPlainGroupName(good)) << good;
    for (const char *bad : {"", " ", ".", "..", " . ", "a\\b", "..\\Startup", "a/b", "C:x",
                            "\"My Books\"", "a*", "a?", "a<b", "a>b", "a|b", "tab\there",
                            "line\nend"})
        EXPECT_FALSE(IsPlainGroupName(bad)) << bad;
    EXPECT_TRUE(IsQuotedValue("\"My Books\""));
    EXPECT_TRUE(IsQuotedValue("\"\""));
    for (const char *unquoted : {"My Books", "\"My Books", "My Books\"", "\"", ""})
        EXPECT_FALSE(IsQuotedValue(unquoted)) << unquoted;
}

TEST(ProgramItems, GroupArgumentsAreQuotedWhereTheCommandSyntaxWouldSplitThem)
{
    char arg[32];
    const char *const cases[][2] = {
        {"My Books", "My Books"},           {"Poems, Volume 1", "\"Poems, Volume 1\""},
        {"Notes (2nd)", "\"Notes (2nd)\""}, {"[x]", "\"[x]\""},
        {" Lead", "\" Lead\""},             {"Trail ", "\"Trail \""},
    };
    for (const auto &c : cases) {
        ASSERT_TRUE(GroupArgumentOf(c[0], arg, sizeof arg)) << c[0];
        EXPECT_STREQ(c[1], arg);
    }
    EXPECT_FALSE(GroupArgumentOf("Poems, Volume 1", arg, 17)) << "no room for the closing quote";
    EXPECT_STREQ("", arg);
}

TEST(ProgramItems, MainTargetOnTheSetupDriveInTheInstallationOrOnTheCd)
{
    EXPECT_EQ("D:\\EBOOK\\BOOK.PDF", Target('D', "C:\\BOOK", "\\EBOOK\\BOOK.PDF", "NO"));
    EXPECT_EQ("C:\\BOOK\\BOOK.PDF", Target('D', "C:\\BOOK", "BOOK.PDF", ""));
    EXPECT_EQ("D:\\tklaunch.exe ", Target('D', "C:\\BOOK", "BOOK.PDF", "yes please"))
        << "the launcher, with its trailing blank";
    EXPECT_EQ("C:\\BOOK\\BOOK.PDF", Target('D', "C:\\BOOK", "BOOK.PDF", "YE"));

    int whole = 1;
    std::string dir(250, 'd');
    Target('D', dir.c_str(), "BOOK.PDF", "NO", &whole);
    EXPECT_EQ(0, whole) << "a cut target names another file";
    Target('D', "C:\\B", "BOOK.PDF", "NO", &whole, 16);
    EXPECT_EQ(1, whole);
}

TEST(ProgramItems, IconLocationOnlyForExeAndPdfTargets)
{
    EXPECT_TRUE(TakesIconLocation("D:\\EBOOK\\BOOK.PDF"));
    EXPECT_TRUE(TakesIconLocation("C:\\BOOK\\UNINSTAL.EXE"));
    EXPECT_TRUE(TakesIconLocation("c:\\book\\x.Exe"));
    EXPECT_TRUE(TakesIconLocation("pdf"));
    EXPECT_FALSE(TakesIconLocation("D:\\tklaunch.exe ")) << "ends in \"xe \"";
    EXPECT_FALSE(TakesIconLocation("C:\\BOOK\\README.TXT"));
    EXPECT_FALSE(TakesIconLocation("df"));
    EXPECT_FALSE(TakesIconLocation(""));
}

TEST(ProgramItems, LinkPathsAreWholeOrRefused)
{
    char path[64];
    ASSERT_TRUE(LinkPathOf("C:\\P", "My Books", "Readme", path, sizeof path));
    EXPECT_STREQ("C:\\P\\My Books\\Readme.lnk", path);
    ASSERT_TRUE(GroupFolderOf("C:\\P", "My Books", path, sizeof path));
    EXPECT_STREQ("C:\\P\\My Books", path);
    EXPECT_FALSE(LinkPathOf("C:\\P", "My Books", "Readme", path, 24));
    EXPECT_FALSE(GroupFolderOf("C:\\P", "My Books", path, 13));
    EXPECT_TRUE(GroupFolderOf("C:\\P", "My Books", path, 14));
    EXPECT_TRUE(InstallPathOf("C:\\BOOK", "UNINSTAL.EXE", path, 21));
    EXPECT_STREQ("C:\\BOOK\\UNINSTAL.EXE", path);
    EXPECT_FALSE(InstallPathOf("C:\\BOOK", "UNINSTAL.EXE", path, 20));
    EXPECT_FALSE(InstallPathOf("", "UNINSTAL.EXE", path, sizeof path)) << "no directory";
}

TEST(ProgramItems, CommandTexts)
{
    char command[kShowGroupCommandSize];
    ASSERT_TRUE(ShowGroupCommand("Hidden Books", command, sizeof command));
    EXPECT_STREQ("[ShowGroup(Hidden Books,1)]", command);
    std::string longest(63, 'g'), tooLong(64, 'g');
    ASSERT_TRUE(ShowGroupCommand(longest.c_str(), command, sizeof command));
    EXPECT_EQ("[ShowGroup(" + longest + ",1)]", command);
    EXPECT_FALSE(ShowGroupCommand(tooLong.c_str(), command, sizeof command));
    EXPECT_STREQ("", command) << "a cut name would show another group";
    std::string comma = longest.substr(0, 62) + ",";
    ASSERT_TRUE(ShowGroupCommand(comma.c_str(), command, sizeof command));
    EXPECT_EQ("[ShowGroup(\"" + comma + "\",1)]", command) << "one argument, not two";

    const char *line = "WRITE.EXE D:\\DOCS\\NOTES.WRI";
    size_t length = AddItemCommand(line, "\"Notes\"", "WRITE.EXE", nullptr, 0);
    std::string expected = "[AddItem(WRITE.EXE D:\\DOCS\\NOTES.WRI,\"Notes\",WRITE.EXE)]";
    ASSERT_EQ(expected.size(), length);
    std::string buffer(length + 1, 'x');
    EXPECT_EQ(length, AddItemCommand(line, "\"Notes\"", "WRITE.EXE", &buffer[0], length + 1));
    EXPECT_EQ(expected, buffer.c_str());
    EXPECT_EQ('\0', buffer[length]);
    EXPECT_EQ(std::string("[AddItem(D:,,C:\\BOOK\\SETUP.ICO)]").size(),
              AddItemCommand("D:", "", "C:\\BOOK\\SETUP.ICO", nullptr, 0));

    char small[8];
    EXPECT_EQ(strlen("[DeleteGroup(\"My Books\")]"),
              DeleteGroupCommand("\"My Books\"", small, sizeof small));
    EXPECT_STREQ("[Delete", small) << "cut, never overrun";
}
