#include <gtest/gtest.h>

#include <string>

#include "setup/shell/run_mode.h"

TEST(RunMode, ChosenByFileNameInAnyCase)
{
    EXPECT_EQ(kRunUninstall, RunModeFor("C:\\BOOK\\UNINSTAL.EXE", ""));
    EXPECT_EQ(kRunUninstall, RunModeFor("C:\\BOOK\\uninstal.exe", "ANY"));
    EXPECT_EQ(kRunUninstall, RunModeFor("C:\\BOOK\\UnInstal.Exe", ""));
    EXPECT_EQ(kRunInstaller, RunModeFor("D:\\SETUP.EXE", ""));
    EXPECT_EQ(kRunInstaller, RunModeFor("D:\\UNINSTAL.EXE.BAK", ""));
}

TEST(RunMode, TempUninstallerNeedsTwoCharacters)
{
    EXPECT_EQ(kRunDeletableNotice, RunModeFor("C:\\TMP\\XNINSTAL.EXE", ""));
    EXPECT_EQ(kRunDeletableNotice, RunModeFor("C:\\TMP\\xninstal.exe", "A"));
    EXPECT_EQ(kRunTempUninstaller, RunModeFor("C:\\TMP\\XNINSTAL.EXE", "AB"));
}

TEST(RunMode, PathsWithoutAUsableBackslashRunTheInstaller)
{
    EXPECT_EQ(kRunInstaller, RunModeFor("UNINSTAL.EXE", ""));
    EXPECT_EQ(kRunInstaller, RunModeFor("\\UNINSTAL.EXE", "")) << "first character only";
    EXPECT_EQ(kRunUninstall, RunModeFor("C\\UNINSTAL.EXE", ""));
}

TEST(ProgramDir, EverythingBeforeTheLastBackslash)
{
    char dir[256];
    memset(dir, 'X', sizeof dir);
    ProgramDirOf("D:\\CD\\SETUP.EXE", dir, sizeof dir);
    EXPECT_STREQ("D:\\CD", dir);
    ProgramDirOf("\\SETUP.EXE", dir, sizeof dir);
    EXPECT_STREQ("", dir);
    ProgramDirOf("SETUP.EXE", dir, sizeof dir);
    EXPECT_STREQ("", dir);
    ProgramDirOf("D:\\SETUP.EXE", dir, sizeof dir);
    EXPECT_STREQ("D:", dir);

    char small[4];
    ProgramDirOf("C:\\LONGER\\SETUP.EXE", small, sizeof small);
    EXPECT_STREQ("C:\\", small) << "cut to the capacity";
}
