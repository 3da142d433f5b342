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

TEST(UninstallList, RelayCommandLine)
{
    char line[64];
    ASSERT_TRUE(RelayCommandLine("C:\\TEMP\\XNINSTAL.EXE", "C:\\BOOKS\\UNINSTAL.EXE", line,
                                 sizeof line));
    EXPECT_STREQ("C:\\TEMP\\XNINSTAL.EXE C:\\BOOKS\\UNINSTAL.EXE", line);
    ASSERT_TRUE(RelayCommandLine("C:\\My Temp\\XNINSTAL.EXE", "C:\\MY BOOKS\\UNINSTAL.EXE", line,
                                 sizeof line));
    EXPECT_STREQ("\"C:\\My Temp\\XNINSTAL.EXE\" C:\\MY BOOKS\\UNINSTAL.EXE", line)
        << "the argument is never quoted: the second stage takes the rest as the path";
    EXPECT_FALSE(RelayCommandLine("C:\\TEMP\\XNINSTAL.EXE", "C:\\BOOKS\\UNINSTAL.EXE", line, 20));
}
