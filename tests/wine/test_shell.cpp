// Waits, alerts and the launch-media check, in process.
#include <gtest/gtest.h>
#include <string.h>

#include "setup/payload/media.h"
#include "setup/shell/alert.h"
#include "setup/shell/dialogs.h"
#include "setup/shell/installation.h"
#include "setup/shell/state.h"
#include "setup/shell/wait.h"
#include "wine_test_util.h"

namespace {

int gDelivered;

LRESULT CALLBACK CountingProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_APP)
        ++gDelivered;
    return DefWindowProcA(w, msg, wp, lp);
}

class Shell : public testing::Test {
protected:
    void SetUp() override
    {
        memset(&gState, 0, sizeof gState);
        strcpy(gState.destDir, "C:\\BOOK");
        strcpy(gState.ownPath, "D:\\SETUP.EXE");
        DrainQueue();
    }
    void TearDown() override { DrainQueue(); }
    bool QuitPosted()
    {
        MSG msg;
        return PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    }
};

}  // namespace

TEST_F(Shell, ZeroWaitDispatchesEveryQueuedMessage)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "CountingWindow";
    RegisterClassA(&wc);
    HWND w = CreateWindowA("CountingWindow", "", 0, 0, 0, 10, 10, NULL, NULL, wc.hInstance, NULL);
    ASSERT_TRUE(w != NULL);
    gDelivered = 0;
    for (int i = 0; i < 5; ++i)
        PostMessageA(w, WM_APP, 0, 0);
    DWORD elapsed = WaitSeconds(0);
    EXPECT_EQ(5, gDelivered);
    EXPECT_GE(elapsed, 1u) << "returns only after a tick has passed";
    EXPECT_GT(WaitSeconds(0.25), 250u);
    EXPECT_EQ(1, PumpMessages());
    DestroyWindow(w);
}

TEST_F(Shell, CancelConfirmationAnsweredNoOrCancelChangesNothing)
{
    StartBoxWatcher({IDNO, IDCANCEL});
    ShowAlert(kAlertConfirmCancel);
    ShowAlert(kAlertConfirmCancel);
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("Cancel", boxes[0].caption);
    EXPECT_EQ("Are you sure you want to cancel?", boxes[0].text);
    EXPECT_EQ(0, gState.cancelled);
    EXPECT_FALSE(QuitPosted());
}

TEST_F(Shell, CancelConfirmedAndFatalAlertsEndTheProgram)
{
    StartBoxWatcher({IDYES});
    ShowAlert(kAlertConfirmCancel);
    StopBoxWatcher();
    EXPECT_EQ(1, gState.cancelled);
    EXPECT_TRUE(QuitPosted());

    // A pending quit ends any later message box at once, as in the program.
    gState.cancelled = 0;
    StartBoxWatcher({});
    ShowAlert(kAlertCannotWrite);
    ShowAlert(4711);
    std::vector<SeenBox> boxes = StopBoxWatcher();
    // The watcher may glimpse the second box in the moment before it closes.
    ASSERT_GE(boxes.size(), 1u);
    EXPECT_EQ("Alert", boxes[0].caption);
    EXPECT_EQ("Cannot write into directory: C:\\BOOK.", boxes[0].text);
    EXPECT_EQ(1, gState.cancelled);
    EXPECT_TRUE(QuitPosted());

    StartBoxWatcher({});
    ShowAlert(4711);
    boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Unknown error occurred.", boxes[0].text);
}

TEST_F(Shell, FatalAlertReleasesTheUnzipLibraryUnlessItIsRunning)
{
    gState.hUnzipLib = LoadLibraryA("version.dll");
    ASSERT_TRUE(gState.hUnzipLib != NULL);
    gState.unzipInCall = 1;
    StartBoxWatcher({});
    ShowAlert(kAlertDunzipCorrupted);
    StopBoxWatcher();
    EXPECT_TRUE(gState.hUnzipLib != NULL) << "released under the running call";

    gState.unzipInCall = 0;
    StartBoxWatcher({});
    ShowAlert(kAlertDunzipCorrupted);
    StopBoxWatcher();
    EXPECT_TRUE(gState.hUnzipLib == NULL);
}

TEST_F(Shell, LaunchMediaOutsideCdromMode)
{
    gState.installMode = 0;
    strcpy(gState.ownPath, "Z:\\pkg\\SETUP.EXE");
    StartBoxWatcher({});
    EXPECT_EQ(1, CheckLaunchMedia());
    EXPECT_EQ(0u, StopBoxWatcher().size());
    EXPECT_STREQ("Z", gState.sourceDrive) << "the bare letter when the test did not run";
}

TEST_F(Shell, LaunchMediaInCdromMode)
{
    gState.installMode = 2;
    strcpy(gState.ownPath, "D:\\SETUP.EXE");  // the bench maps D: as a CD-ROM
    StartBoxWatcher({});
    EXPECT_EQ(1, CheckLaunchMedia());
    EXPECT_EQ(0u, StopBoxWatcher().size());
    EXPECT_STREQ("D:\\", gState.sourceDrive);

    for (const char *path : {"C:\\SETUP.EXE", "\\\\server\\share\\SETUP.EXE"}) {
        SCOPED_TRACE(path);
        strcpy(gState.ownPath, path);
        StartBoxWatcher({});
        EXPECT_EQ(0, CheckLaunchMedia());
        std::vector<SeenBox> boxes = StopBoxWatcher();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_EQ("Installation Failed!", boxes[0].caption);
        EXPECT_EQ("This Installer Must be Launched from a CD-ROM!", boxes[0].text);
    }
}

TEST_F(Shell, DriveKindsOfTheBench)
{
    char c[kSourceDriveSize] = "C";
    EXPECT_EQ(kDriveFixed, DriveKind(c));
    EXPECT_STREQ("C:\\", c);
    char d[kSourceDriveSize] = "D";
    EXPECT_EQ(kDriveCdrom, DriveKind(d));
    char none[kSourceDriveSize] = "Q";
    EXPECT_EQ(kDriveOther, DriveKind(none));
}

TEST_F(Shell, DirectoryChainCreatesEveryParent)
{
    std::string base = FreshDir("chain");
    std::string path = base + "\\one\\two\\three";
    char buf[kDestDirSize];
    strcpy(buf, path.c_str());
    CreateDirectoryChain(buf);
    EXPECT_STREQ(path.c_str(), buf) << "the path is given back whole";
    EXPECT_TRUE(FileExists(base + "\\one\\two"));
    EXPECT_TRUE(FileExists(path));
}
