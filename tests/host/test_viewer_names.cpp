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
