// The test double's file name chooses its role: under every name the
// scenarios, the Wine tests and the bench give it, it must play the program
// the deliverables expect there.
#include <gtest/gtest.h>

#include "tests/doubles/double_role.h"

TEST(DoubleRole, TheNamesTheDeliverablesLookForInAnyCase)
{
    EXPECT_EQ(kRoleRecorder, RoleForPath("C:\\BOOK\\EMBED.EXE"));
    EXPECT_EQ(kRoleViewer, RoleForPath("C:\\Viewer\\Reader\\AcroRd32.exe"));
    EXPECT_EQ(kRoleViewer, RoleForPath("C:\\Viewer\\Acrobat\\Acrobat.exe"));
    EXPECT_EQ(kRoleViewer, RoleForPath("C:\\Old\\ACRORD16.EXE"));
    EXPECT_EQ(kRoleViewer, RoleForPath("C:\\Old\\acroex16.exe"));
    EXPECT_EQ(kRoleViewer, RoleForPath("D:\\VIEWER\\AcroRd32.ex_")) << "the installer's payload";
    EXPECT_EQ(kRoleInstaller, RoleForPath("D:\\VIEWER\\VWINST.EXE"));
    EXPECT_EQ(kRoleInstaller, RoleForPath("C:\\My Book\\ACRO4GIG.EXE"));
    EXPECT_EQ(kRoleProgman, RoleForPath("C:\\e2e\\progman\\progman.exe"));
}

TEST(DoubleRole, TheNamesTheBuildLaysItDownUnder)
{
    EXPECT_EQ(kRoleRecorder, RoleForPath("Z:\\build\\win32\\tests\\recorder.exe"));
    EXPECT_EQ(kRoleRecorder, RoleForPath("Z:\\build\\win32\\tests\\double.exe"));
    EXPECT_EQ(kRoleViewer, RoleForPath("Z:\\build\\win32\\tests\\viewer_double.exe"));
    EXPECT_EQ(kRoleInstaller, RoleForPath("Z:\\build\\win32\\tests\\installer_double.exe"));
    EXPECT_EQ(kRoleProgman, RoleForPath("Z:/build/win32/tests/progman_double.exe"));
}

TEST(DoubleRole, OnlyTheLastComponentCounts)
{
    // Folders named like a role, and names that only hold one, record.
    EXPECT_EQ(kRoleRecorder, RoleForPath("C:\\progman\\AcroRd32\\EMBED.EXE"));
    EXPECT_EQ(kRoleRecorder, RoleForPath("C:\\Viewer\\MY.EXE"));
    EXPECT_EQ(kRoleRecorder, RoleForPath("C:\\X\\MYVWINST.EXE"));
    EXPECT_EQ(kRoleRecorder, RoleForPath("C:\\X\\ACRO.EXE")) << "a prefix of a role's name";
    EXPECT_EQ(kRoleViewer, RoleForPath("C:acrobat.exe"));
    EXPECT_EQ(kRoleViewer, RoleForPath("AcroRd32.exe"));
    EXPECT_EQ(kRoleRecorder, RoleForPath(""));
    EXPECT_EQ(kRoleRecorder, RoleForPath("C:\\ACRORD32\\"));
    // Shift_JIS folder names whose trail byte is a backslash (表 95 5C).
    EXPECT_EQ(kRoleRecorder, RoleForPath("C:\\\x83\x72\x83\x66\x83\x49\\\x97\x5c\x92\xe8\x95\x5c\\EMBED.EXE"));
    EXPECT_EQ(kRoleViewer, RoleForPath("C:\\\x95\x5c\\AcroRd32.exe"));
}
