// The test double's file name chooses its role: under every name the
// scenarios, the Wine tests and the bench give it, it must play the program
// the deliverables expect there.
#include <gtest/gtest.h>

#include "tests/doubles/double_role.h"

namespace {

struct Named {
    const char *path;
    DoubleRole role;
};

void ExpectRoles(const Named *cases, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        EXPECT_EQ(cases[i].role, RoleForPath(cases[i].path)) << cases[i].path;
}

}  // namespace

TEST(DoubleRole, TheNamesTheDeliverablesAndTheBuildGiveIt)
{
    const Named cases[] = {
        {"C:\\BOOK\\EMBED.EXE", kRoleRecorder},
        {"C:\\Viewer\\Reader\\AcroRd32.exe", kRoleViewer},
        {"C:\\Viewer\\Acrobat\\Acrobat.exe", kRoleViewer},
        {"C:\\Old\\ACRORD16.EXE", kRoleViewer},
        {"C:\\Old\\acroex16.exe", kRoleViewer},
        {"D:\\VIEWER\\AcroRd32.ex_", kRoleViewer},  // the installer's payload
        {"D:\\VIEWER\\VWINST.EXE", kRoleInstaller},
        {"C:\\My Book\\ACRO4GIG.EXE", kRoleInstaller},
        {"C:\\e2e\\progman\\progman.exe", kRoleProgman},
        {"Z:\\build\\win32\\tests\\recorder.exe", kRoleRecorder},
        {"Z:\\build\\win32\\tests\\double.exe", kRoleRecorder},
        {"Z:\\build\\win32\\tests\\viewer_double.exe", kRoleViewer},
        {"Z:\\build\\win32\\tests\\installer_double.exe", kRoleInstaller},
        {"Z:/build/win32/tests/progman_double.exe", kRoleProgman},
    };
    ExpectRoles(cases, sizeof cases / sizeof cases[0]);
}

TEST(DoubleRole, OnlyTheLastComponentCounts)
{
    const Named cases[] = {
        // Folders named like a role, and names that only hold one, record.
        {"C:\\progman\\AcroRd32\\EMBED.EXE", kRoleRecorder},
        {"C:\\Viewer\\MY.EXE", kRoleRecorder},
        {"C:\\X\\MYVWINST.EXE", kRoleRecorder},
        {"C:\\X\\ACRO.EXE", kRoleRecorder},  // a prefix of a role's name
        {"C:acrobat.exe", kRoleViewer},
        {"AcroRd32.exe", kRoleViewer},
        {"", kRoleRecorder},
        {"C:\\ACRORD32\\", kRoleRecorder},
        // Shift_JIS folders whose trail byte is a backslash (表 95 5C).
        {"C:\\\x83\x72\x83\x66\x83\x49\\\x97\x5c\x92\xe8\x95\x5c\\EMBED.EXE", kRoleRecorder},
        {"C:\\\x95\x5c\\AcroRd32.exe", kRoleViewer},
    };
    ExpectRoles(cases, sizeof cases / sizeof cases[0]);
}
