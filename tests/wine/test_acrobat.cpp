// The Acrobat control against windows and a DDE server of this process.
#include <gtest/gtest.h>
#include <windows.h>
#include <ddeml.h>
#include <string.h>

#include <string>

#include "acrobat/acrobat.h"
#include "common/output.h"
#include "wine_test_util.h"

namespace {

// A top-level window of this process, hidden unless asked, with the title.
struct TitledWindow {
    HWND hwnd;
    explicit TitledWindow(const std::string &title, bool visible = false)
    {
        hwnd = CreateWindowA("STATIC", title.c_str(), WS_POPUP | (visible ? WS_VISIBLE : 0), 0,
                             0, 10, 10, NULL, NULL, NULL, NULL);
    }
    ~TitledWindow() { DestroyWindow(hwnd); }
};

// A viewer's DDE side in this process: records execute commands.
std::string gCommand;
DWORD gServer;
HSZ gTopic;

HDDEDATA CALLBACK ServerCallback(UINT type, UINT, HCONV, HSZ topic, HSZ, HDDEDATA data,
                                 ULONG_PTR, ULONG_PTR)
{
    if (type == XTYP_CONNECT)
        return (HDDEDATA)(UINT_PTR)(DdeCmpStringHandles(topic, gTopic) == 0);
    if (type == XTYP_EXECUTE) {
        char buf[64] = "";
        DWORD n = DdeGetData(data, (LPBYTE)buf, sizeof buf, 0);
        gCommand.assign(buf, n);
        return (HDDEDATA)DDE_FACK;
    }
    return 0;
}

}  // namespace

// The output function a program that carries the control provides: this
// test program shows real boxes, for the box watcher to answer.
int Tell(const char *text, const char *caption, unsigned flags, int)
{
    return MessageBoxA(NULL, text, caption, flags);
}

TEST(AcrobatControl, FindsHiddenWindowsTitledLikeTheViewer)
{
    {
        TitledWindow folder("ADOBE ACROBAT FILES");
        FindAcrobatWindow();
        EXPECT_EQ(1, acrobatRunning) << "hidden windows count, in any case";
    }
    {
        TitledWindow shortTitle("Acrobat Rea");
        FindAcrobatWindow();
        EXPECT_EQ(0, acrobatRunning);
    }
    {
        TitledWindow late(std::string(244, '.') + "Acrobat Reader");
        FindAcrobatWindow();
        EXPECT_EQ(0, acrobatRunning) << "the pattern must lie within 256 characters";
    }
    {
        TitledWindow edge(std::string(243, '.') + "Acrobat Reade");
        FindAcrobatWindow();
        EXPECT_EQ(1, acrobatRunning);
    }
}

TEST(AcrobatControl, SendsTheExitCommandWithoutItsTerminator)
{
    // The server must answer while CloseAcrobat blocks this thread: DDEML
    // delivers to a server in the same thread through its own message loop,
    // which the client's synchronous transaction runs.
    ASSERT_EQ((UINT)DMLERR_NO_ERROR,
              DdeInitializeA(&gServer, ServerCallback, APPCLASS_STANDARD | CBF_SKIP_ALLNOTIFICATIONS, 0));
    HSZ service = DdeCreateStringHandleA(gServer, "acroview", CP_WINANSI);
    gTopic = DdeCreateStringHandleA(gServer, "control", CP_WINANSI);
    DdeNameService(gServer, service, NULL, DNS_REGISTER);
    gCommand.clear();
    StartBoxWatcher({IDOK});
    DWORD start = GetTickCount();
    CloseAcrobat();
    DWORD took = GetTickCount() - start;
    std::vector<SeenBox> boxes = StopBoxWatcher();
    DdeNameService(gServer, service, NULL, DNS_UNREGISTER);
    DdeFreeStringHandle(gServer, service);
    DdeFreeStringHandle(gServer, gTopic);
    DdeUninitialize(gServer);
    EXPECT_EQ(std::string("[AppExit()]"), gCommand) << "11 bytes, no NUL";
    EXPECT_TRUE(boxes.empty());
    EXPECT_LT(took, 5000u) << "a serving viewer is reached at the first attempt";
}
