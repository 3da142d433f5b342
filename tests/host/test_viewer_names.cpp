#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "setup/install/viewer_names.h"

TEST(ViewerNames, SplitsAtTheLastBackslash)
{
    char dir[256], name[64];
    EXPECT_EQ(1, SplitViewerPath("C:\\VIEWER\\READER\\AcroRd32.exe", dir, sizeof dir, name,
                                 sizeof name));
    EXPECT_STREQ("C:\\VIEWER\\READER", dir);
    EXPECT_STREQ("AcroRd32.exe", name);
    EXPECT_EQ(0, SplitViewerPath("\\ACRO.EXE", dir, sizeof dir, name, sizeof name));
    EXPECT_STREQ("", dir);
}

TEST(ViewerNames, ShortFoundPathsAreRebuiltForShowing)
{
    char result[256];
    memset(result, 0, sizeof result);
    strcpy(result, "C:\\A\\B.EXE");
    char shown[256];
    ShownPathOf(result, sizeof result, shown, sizeof shown);
    EXPECT_STREQ("C:\\A\\B.EXE", shown) << "7 characters or more are shown unchanged";

    memset(result, 0, sizeof result);
    const char joined[] = "C:\\PRO\0RAM FILES\\ACROBAT\\ACRORD32.EXE";
    memcpy(result, joined, sizeof joined);
    ShownPathOf(result, sizeof result, shown, sizeof shown);
    std::string whole = "C:\\PRO RAM FILES\\ACROBAT\\ACRORD32.EXE";
    EXPECT_EQ(whole.substr(0, whole.size() - 14), shown);

    memset(result, 0, sizeof result);
    strcpy(result, "C:\\X");
    ShownPathOf(result, sizeof result, shown, sizeof shown);
    EXPECT_STREQ("", shown) << "fewer than 14 joined characters leave nothing";

    memset(result, 'Z', sizeof result);  // no terminator in the whole buffer
    result[3] = '\0';
    ShownPathOf(result, sizeof result, shown, sizeof shown);
    EXPECT_EQ(256u - 14u, strlen(shown)) << "the join stops at the buffer's end";
}

TEST(ViewerNames, FamiliesVersionsAndSearch)
{
    EXPECT_TRUE(IsSixteenBitViewer("ACRORD16.EXE"));
    EXPECT_TRUE(IsSixteenBitViewer("acroex16.exe"));
    EXPECT_FALSE(IsSixteenBitViewer("AcroRd32.exe"));
    EXPECT_FALSE(IsSixteenBitViewer("ACRORD"));
    EXPECT_TRUE(IsWin32ViewerName("AcroRd32.exe"));
    EXPECT_TRUE(IsWin32ViewerName("Acrobat.exe"));
    EXPECT_FALSE(IsWin32ViewerName("viewer.exe"));

    EXPECT_TRUE(IsVersion3Dir("C:\\VIEWER3\\READER"));
    EXPECT_TRUE(IsVersion3Dir("C:\\APPS3\\VIEWER"));
    EXPECT_FALSE(IsVersion3Dir("C:\\VIEWER\\READER"));

    EXPECT_TRUE(InstallerNeedsSearch("\\VIEWER\\RSINST.EXE"));
    EXPECT_TRUE(InstallerNeedsSearch("\\VIEWER\\rsinst.exe"));
    EXPECT_FALSE(InstallerNeedsSearch("\\VIEWER\\VWINST.EXE"));
    EXPECT_TRUE(InstallerNeedsSearch("\\RSINST.EXE")) << "a root-level installer";
    EXPECT_FALSE(InstallerNeedsSearch("Acro4Gig.exe"));
    EXPECT_FALSE(InstallerNeedsSearch(""));
}

TEST(ViewerNames, InstallerCommandLines)
{
    char cmd[256], file[256];
    EXPECT_EQ(1, InstallerCommandLine("\\VIEWER\\VWINST.EXE", "C:\\BOOK", 'D', cmd, sizeof cmd,
                                      file, sizeof file));
    EXPECT_STREQ("D:\\VIEWER\\VWINST.EXE", cmd);
    EXPECT_STREQ("", file) << "nothing of the setup drive is deleted";

    EXPECT_EQ(1, InstallerCommandLine("", "C:\\BOOK", 'D', cmd, sizeof cmd, file, sizeof file));
    EXPECT_STREQ("D:", cmd) << "an empty value leaves the bare drive, which cannot start";
    EXPECT_EQ(0, InstallerCommandLine("\\V.EXE", "C:\\BOOK", '\0', cmd, sizeof cmd, file,
                                      sizeof file));

    EXPECT_EQ(1, InstallerCommandLine("acro4gig.EXE", "C:\\MY BOOKS", 'D', cmd, sizeof cmd, file,
                                      sizeof file));
    EXPECT_STREQ("\"C:\\MY BOOKS\\acro4gig.EXE\"", cmd) << "the directory is quoted";
    EXPECT_STREQ("C:\\MY BOOKS\\acro4gig.EXE", file);

    EXPECT_EQ(1, InstallerCommandLine("Acro4Gig.exe -s 1500", "C:\\BOOK", 'D', cmd, sizeof cmd,
                                      file, sizeof file));
    EXPECT_STREQ("\"C:\\BOOK\\Acro4Gig.exe\" -s 1500", cmd) << "arguments stay outside";
    EXPECT_STREQ("C:\\BOOK\\Acro4Gig.exe", file) << "the program, not its arguments, is deleted";

    // The program is deleted after the run: a path out of the directory is
    // neither started nor deleted.
    for (const char *bad : {"Acro4Gig.exe\\..\\..\\X.EXE", "Acro4Gig.exe/../X.EXE",
                            "Acro4Gig.exe:stream", "Acro4Gig.exe\"x\" -s"}) {
        strcpy(file, "sentinel");
        EXPECT_EQ(0, InstallerCommandLine(bad, "C:\\BOOK", 'D', cmd, sizeof cmd, file,
                                          sizeof file))
            << bad;
        EXPECT_STREQ("", file) << bad;
    }
}

TEST(ViewerNames, InstallerCommandLinesNeverCutShort)
{
    std::string longDir = "C:\\" + std::string(250, 'D');
    char cmd[256], file[256];
    EXPECT_EQ(1, InstallerCommandLine("Acro4Gig.exe", "C:\\BOOK", 'D', cmd, 23, file, 21));
    EXPECT_EQ(0, InstallerCommandLine("Acro4Gig.exe", "C:\\BOOK", 'D', cmd, 22, file, 21))
        << "no room for the closing quote";
    EXPECT_STREQ("", cmd);
    EXPECT_STREQ("", file);
    EXPECT_EQ(0, InstallerCommandLine("Acro4Gig.exe", "C:\\BOOK", 'D', cmd, 23, file, 20))
        << "no room for the program's path";
    EXPECT_EQ(0, InstallerCommandLine("Acro4Gig.exe", longDir.c_str(), 'D', cmd, sizeof cmd,
                                      file, sizeof file));
    EXPECT_STREQ("", file);
    std::string longValue = "\\" + std::string(260, 'V');
    EXPECT_EQ(0, InstallerCommandLine(longValue.c_str(), "C:\\BOOK", 'D', cmd, sizeof cmd, file,
                                      sizeof file));
    EXPECT_STREQ("", cmd);
}

TEST(ViewerNames, InstallerTitlesMatchInAnyCaseWithinTheFirst49Characters)
{
    EXPECT_TRUE(InstallerTitleMatches("Acrobat Reader 4.0 Setup", "Reader"));
    EXPECT_TRUE(InstallerTitleMatches("Acrobat Reader 4.0 Setup", "Setup"));
    EXPECT_TRUE(InstallerTitleMatches("READER.TXT - Notepad", "Reader"));
    EXPECT_TRUE(InstallerTitleMatches("setup", "Setup"));
    EXPECT_FALSE(InstallerTitleMatches("Acrobat Rea", "Reader"));
    EXPECT_FALSE(InstallerTitleMatches("", "Setup"));

    std::string title = std::string(44, 'x') + "Setup";  // ends at character 49
    EXPECT_TRUE(InstallerTitleMatches(title.c_str(), "Setup"));
    title = std::string(45, 'x') + "Setup";  // its last letter is the 50th
    EXPECT_FALSE(InstallerTitleMatches(title.c_str(), "Setup"));
}

TEST(ViewerNames, BundledInstallerIsKnownByItsFirst12Characters)
{
    EXPECT_TRUE(IsBundledInstaller("Acro4Gig.exe"));
    EXPECT_TRUE(IsBundledInstaller("ACRO4GIG.EXE 2000"));
    EXPECT_FALSE(IsBundledInstaller("Acro4Gig.ex"));
    EXPECT_FALSE(IsBundledInstaller("\\Acro4Gig.exe"));
    EXPECT_FALSE(IsBundledInstaller(""));
}
