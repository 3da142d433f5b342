#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "setup/install/uninstall_list.h"

namespace {

UninstallValues ReadAll(const std::vector<std::string> &lines)
{
    UninstallValues values;
    memset(&values, 0, sizeof values);
    for (const std::string &line : lines)
        ReadUninstallLine(line.c_str(), &values);
    return values;
}

std::vector<std::string> List(const UninstallValues &values)
{
    const char *names[kUninstallFileCount];
    size_t count = UninstallFileList(&values, names);
    return std::vector<std::string>(names, names + count);
}

std::string Dir(const char *path, int *found = nullptr, size_t cap = 256)
{
    char dir[256];
    int ok = UninstallDirOf(path, dir, cap);
    if (found)
        *found = ok;
    return dir;
}

}  // namespace

TEST(UninstallList, ScriptValuesLastLineCounts)
{
    UninstallValues v = ReadAll({"[Setup]", "FOLDERTITLE=\"My Books\"", "ICONFILE=old.ico",
                                 "iconfile=BOOK.ICO", "FILE=book.pdf", "UFILE=book.pdf",
                                 "MAINFILE=x.pdf"});
    EXPECT_STREQ("\"My Books\"", v.folderTitle);
    EXPECT_STREQ("BOOK.ICO", v.iconFile);
    EXPECT_STREQ("book.pdf", v.uFile) << "FILE= is another key";
    UninstallValues none = ReadAll({"[Setup]", "FILE=x"});
    EXPECT_STREQ("", none.uFile);
    EXPECT_STREQ("", none.folderTitle);
}

TEST(UninstallList, TheTenFilesInOrder)
{
    UninstallValues v = ReadAll({"ICONFILE=BOOK.ICO", "UFILE=book.pdf"});
    std::vector<std::string> expected = {"BOOK.ICO",    "README.TXT",  "setup.ini",
                                         "DUNZIP32.DLL", "UNINSTAL.ICO", "LICENSE.TXT",
                                         "EMBED.EXE",   "NSETUP.EXE",  "NSETUP16.EXE",
                                         "book.pdf"};
    EXPECT_EQ(expected, List(v));
}

TEST(UninstallList, ScriptValuesOutsideTheDirectoryAreNotDeleted)
{
    for (const char *bad : {"", "..\\user.doc", "\\WINDOWS\\WIN.INI", "C:WIN.INI",
                            "sub/file.txt", "sub\\file.txt", "a..b"}) {
        UninstallValues v = ReadAll({std::string("ICONFILE=") + bad, std::string("UFILE=") + bad});
        std::vector<std::string> list = List(v);
        EXPECT_EQ(8u, list.size()) << bad;
        EXPECT_EQ("README.TXT", list.front()) << bad;
        EXPECT_EQ("NSETUP16.EXE", list.back()) << bad;
        EXPECT_FALSE(IsPlainFileName(bad)) << bad;
    }
    EXPECT_TRUE(IsPlainFileName("book.pdf"));
    EXPECT_TRUE(IsPlainFileName(".hidden"));
}

TEST(UninstallList, OnlyTheUninstallerIsDeletedByTheSecondStage)
{
    EXPECT_TRUE(IsUninstallerPath("C:\\BOOKS\\UNINSTAL.EXE"));
    EXPECT_TRUE(IsUninstallerPath("C:\\MY BOOKS\\uninstal.exe"));
    EXPECT_TRUE(IsUninstallerPath("UNINSTAL.EXE"));
    EXPECT_FALSE(IsUninstallerPath("C:\\WINDOWS\\WIN.INI"));
    EXPECT_FALSE(IsUninstallerPath("C:\\BOOKS\\UNINSTAL.EXE.BAK"));
    EXPECT_FALSE(IsUninstallerPath("C:\\BOOKS\\UNINSTAL.EXE\\"));
    EXPECT_FALSE(IsUninstallerPath(""));
}

TEST(UninstallList, TheDirectoryIsTakenOnTheCurrentDrive)
{
    int found = 0;
    EXPECT_EQ("\\BOOKS", Dir("C:\\BOOKS\\UNINSTAL.EXE", &found));
    EXPECT_EQ(1, found);
    EXPECT_EQ("\\MY BOOKS\\VOL 1", Dir("E:\\MY BOOKS\\VOL 1\\UNINSTAL.EXE"));
    EXPECT_EQ("\\\\SERVER\\SHARE\\BOOKS", Dir("\\\\SERVER\\SHARE\\BOOKS\\UNINSTAL.EXE"))
        << "a path without a drive is kept whole";
    Dir("C:\\UNINSTAL.EXE", &found);
    EXPECT_EQ(0, found) << "never the drive root";
    Dir("UNINSTAL.EXE", &found);
    EXPECT_EQ(0, found);
    Dir("\\UNINSTAL.EXE", &found);
    EXPECT_EQ(0, found) << "a backslash only at the first character";
    Dir("C:\\BOOKS\\UNINSTAL.EXE", &found, 6);
    EXPECT_EQ(0, found) << "a cut directory is another directory";
    EXPECT_EQ("\\BOOKS", Dir("C:\\BOOKS\\UNINSTAL.EXE", &found, 7));
}

TEST(UninstallList, TheRelaysOrderRoundTrips)
{
    const char *identity = "0000ABCD-0000000000012345-01DB5A0000000000-0000000000037800";
    char line[256];
    ASSERT_TRUE(RelayCommandLine("C:\\Users\\me\\Temp\\Uninstall-1C-0\\XNINSTAL.EXE", 0x1A4,
                                 identity, "C:\\MY BOOKS\\UNINSTAL.EXE", line, sizeof line));
    EXPECT_STREQ("C:\\Users\\me\\Temp\\Uninstall-1C-0\\XNINSTAL.EXE /WAIT=1A4 /FILE=0000ABCD-"
                 "0000000000012345-01DB5A0000000000-0000000000037800 C:\\MY BOOKS\\UNINSTAL.EXE",
                 line);
    ASSERT_TRUE(RelayCommandLine("C:\\My Temp\\XNINSTAL.EXE", 8, "X", "C:\\B\\UNINSTAL.EXE", line,
                                 sizeof line));
    EXPECT_STREQ("\"C:\\My Temp\\XNINSTAL.EXE\" /WAIT=8 /FILE=X C:\\B\\UNINSTAL.EXE", line)
        << "the path is never quoted: the relay takes the rest as the path";
    EXPECT_FALSE(RelayCommandLine("C:\\T\\XNINSTAL.EXE", 8, identity, "C:\\B\\UNINSTAL.EXE", line,
                                  40));

    // What the relay reads back: the text after its own name.
    RelayOrder order;
    ASSERT_TRUE(RelayCommandLine("C:\\T\\XNINSTAL.EXE", 0x1A4, identity,
                                 "C:\\MY BOOKS\\UNINSTAL.EXE", line, sizeof line));
    ASSERT_TRUE(ReadRelayOrder(strchr(line, ' ') + 1, &order));
    EXPECT_EQ(0x1A4u, order.process);
    EXPECT_STREQ(identity, order.identity);
    EXPECT_STREQ("C:\\MY BOOKS\\UNINSTAL.EXE", order.path) << "blanks and case kept";

    // Started by hand with a path alone: nothing to wait on, no identity.
    ASSERT_TRUE(ReadRelayOrder("C:\\BOOKS\\UNINSTAL.EXE", &order));
    EXPECT_EQ(0u, order.process);
    EXPECT_STREQ("", order.identity);
    EXPECT_STREQ("C:\\BOOKS\\UNINSTAL.EXE", order.path);
    EXPECT_FALSE(ReadRelayOrder("/WAIT=1 /FILE=X", &order)) << "no path";
    EXPECT_FALSE(ReadRelayOrder("", &order));
    EXPECT_FALSE(ReadRelayOrder(("/WAIT=1 C:\\" + std::string(300, 'x')).c_str(), &order))
        << "a path cut to fit is another file";
}
