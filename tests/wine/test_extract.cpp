// Payload extraction, expansion through our DUNZIP32.DLL, the progress
// painters and the text dialog, in process.
#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "setup/payload/expand.h"
#include "setup/payload/extract.h"
#include "setup/payload/progress.h"
#include "setup/resource.h"
#include "setup/install/status.h"
#include "setup/shell/dialogs.h"
#include "setup/shell/state.h"
#include "state_test.h"
#include "wine_test_util.h"

namespace {

uint32_t Crc(const std::string &s)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : s) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = crc >> 1 ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

void Put(std::string &s, uint32_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        s += (char)(v >> (8 * i) & 0xFF);
}

// A zip archive of stored members, laid out by hand.
std::string StoredZip(const std::vector<std::pair<std::string, std::string>> &members)
{
    std::string out, central;
    for (const auto &m : members) {
        uint32_t offset = (uint32_t)out.size(), crc = Crc(m.second), n = (uint32_t)m.second.size();
        Put(out, 0x04034b50, 4); Put(out, 10, 2); Put(out, 0, 2); Put(out, 0, 2); Put(out, 0, 4);
        Put(out, crc, 4); Put(out, n, 4); Put(out, n, 4); Put(out, (uint32_t)m.first.size(), 2);
        Put(out, 0, 2);
        out += m.first + m.second;
        Put(central, 0x02014b50, 4); Put(central, 10, 2); Put(central, 10, 2); Put(central, 0, 2);
        Put(central, 0, 2); Put(central, 0, 4); Put(central, crc, 4); Put(central, n, 4);
        Put(central, n, 4); Put(central, (uint32_t)m.first.size(), 2); Put(central, 0, 2);
        Put(central, 0, 2); Put(central, 0, 2); Put(central, 0, 2); Put(central, 0, 4);
        Put(central, offset, 4);
        central += m.first;
    }
    uint32_t cd = (uint32_t)out.size();
    out += central;
    Put(out, 0x06054b50, 4); Put(out, 0, 4); Put(out, (uint32_t)members.size(), 2);
    Put(out, (uint32_t)members.size(), 2); Put(out, (uint32_t)central.size(), 4); Put(out, cd, 4);
    Put(out, 0, 2);
    return out;
}

// A deliverable beside the test programs: bin/ next to tests/ in the build.
std::string Deliverable(const char *name)
{
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof self);
    std::string dir(self);
    dir = dir.substr(0, dir.rfind('\\'));
    return dir.substr(0, dir.rfind('\\')) + "\\bin\\" + name;
}

class Extract : public StateTest {
protected:
    std::string own;
    void SetUp() override
    {
        StateTest::SetUp();
        strcpy(gState.destDir, dir.c_str());
        gState.stepDelay = 0;  // the pacing waits are not under test here
    }
    void TearDown() override
    {
        if (gState.hCopyDlg != NULL)
            DestroyWindow(gState.hCopyDlg);
        StateTest::TearDown();
    }
    // A packaged file: image, METER.DLL, DUNZIP32.DLL, PACK.BOX, trailer.
    void Package(const std::string &dunzip, const std::string &pack)
    {
        std::string image = Blob(1000, 1) + Blob(300, 2);
        gState.dunzipOffset = (int32_t)image.size();
        gState.packOffset = gState.dunzipOffset + (int32_t)dunzip.size();
        own = image + dunzip + pack + std::string(512, '@');
        std::string path = dir + "\\SETUP.EXE";
        WriteFileBytes(path, own);
        strcpy(gState.ownPath, path.c_str());
    }
};

}  // namespace

TEST_F(Extract, RegionsOfWholeBlocksAndAnOlderLongerUninstaller)
{
    Package(Blob(8192, 3), Blob(4096 * 3, 4));
    WriteFileBytes(dir + "\\UNINSTAL.EXE", Blob(own.size() + 10000, 5));
    WriteFileBytes(dir + "\\DUNZIP32.DLL", Blob(20000, 6));
    gState.hCopyDlg = CreateDialogParamA(gState.hInstance, MAKEINTRESOURCEA(IDD_COPY), NULL,
                                         CopyProgressDlgProc, 0);
    ASSERT_TRUE(gState.hCopyDlg != NULL);

    EXPECT_EQ(1, ExtractPayload());
    EXPECT_EQ(Blob(8192, 3), ReadFileBytes(dir + "\\DUNZIP32.DLL"));
    EXPECT_EQ(Blob(4096 * 3, 4), ReadFileBytes(dir + "\\PACK.BOX"));
    EXPECT_EQ(own, ReadFileBytes(dir + "\\UNINSTAL.EXE"));
    // The copy bar ends full.
    RECT client;
    GetClientRect(GetDlgItem(gState.hCopyDlg, IDC_BAR), &client);
    EXPECT_EQ(1, gState.copyBarReady);
    EXPECT_EQ(client.right, gState.barRect.right);
}

TEST_F(Extract, PartialBlocksAndEmptyRegions)
{
    Package("", Blob(5000, 7));
    EXPECT_EQ(1, ExtractPayload());
    EXPECT_EQ("", ReadFileBytes(dir + "\\DUNZIP32.DLL"));
    EXPECT_EQ(Blob(5000, 7), ReadFileBytes(dir + "\\PACK.BOX"));
    EXPECT_TRUE(FileExists(dir + "\\DUNZIP32.DLL"));
}

TEST_F(Extract, OffsetsThatNoLongerFitAreNeverCopied)
{
    Package(Blob(100, 1), Blob(100, 2));
    StartBoxWatcher({IDOK, IDOK});
    gState.packOffset = gState.dunzipOffset - 1;  // a negative length
    EXPECT_EQ(0, ExtractPayload());
    gState.cancelled = 0;
    DrainQueue();  // a pending quit message would close the next box at once
    gState.packOffset = (int32_t)own.size();  // the archive would reach past the file
    EXPECT_EQ(0, ExtractPayload());
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("Cannot read: " + dir + "\\SETUP.EXE.", boxes[0].text);
    EXPECT_FALSE(FileExists(dir + "\\DUNZIP32.DLL"));
    EXPECT_FALSE(FileExists(dir + "\\PACK.BOX"));
}

TEST_F(Extract, UnwritableDestinationAndUnreadableOwnFile)
{
    Package(Blob(100, 1), Blob(100, 2));
    strcpy(gState.destDir, (dir + "\\missing").c_str());
    StartBoxWatcher({IDOK, IDOK});
    EXPECT_EQ(0, ExtractPayload());
    gState.cancelled = 0;
    DrainQueue();
    strcpy(gState.ownPath, (dir + "\\NOSUCH.EXE").c_str());
    EXPECT_EQ(0, ExtractPayload());
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("Cannot write into directory: " + dir + "\\missing.", boxes[0].text);
    EXPECT_EQ("Cannot read: " + dir + "\\NOSUCH.EXE.", boxes[1].text);
    EXPECT_EQ(1, gState.cancelled);
}

TEST_F(Extract, CancelledBeforehandCopiesNothingButTheUninstaller)
{
    Package(Blob(9000, 1), Blob(9000, 2));
    gState.cancelled = 1;
    EXPECT_EQ(1, ExtractPayload());
    EXPECT_EQ("", ReadFileBytes(dir + "\\DUNZIP32.DLL"));
    EXPECT_EQ("", ReadFileBytes(dir + "\\PACK.BOX"));
    EXPECT_EQ(own, ReadFileBytes(dir + "\\UNINSTAL.EXE"));
}

// Read errors of the uninstaller copy need a failing medium: the
// failing_medium scenario has them.
TEST_F(Extract, UninstallerThatCannotBeCreatedStopsAndLeavesWhatWasThere)
{
    Package(Blob(100, 1), Blob(100, 2));
    ASSERT_TRUE(CreateDirectoryA((dir + "\\UNINSTAL.EXE").c_str(), NULL));  // a user's folder
    StartBoxWatcher({IDOK});
    EXPECT_EQ(0, ExtractPayload());
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Cannot write into directory: " + dir + ".", boxes[0].text);
    EXPECT_EQ(1, gState.cancelled);
    DWORD attributes = GetFileAttributesA((dir + "\\UNINSTAL.EXE").c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    RemoveDirectoryA((dir + "\\UNINSTAL.EXE").c_str());
}

// On a scale of hundreds of blocks most blocks leave the bar as it is and
// take no pause; a Cancel waiting in the queue is still served after the
// first of them, and the copy stops there.
TEST_F(Extract, CancelIsServedAfterABlockThatTakesNoPause)
{
    Package(Blob(4096 * 10, 1), Blob(4096 * 250, 2));  // a scale of 261 blocks
    gState.stepDelay = 1;
    gState.hCopyDlg = CreateDialogParamA(gState.hInstance, MAKEINTRESOURCEA(IDD_COPY), NULL,
                                         CopyProgressDlgProc, 0);
    ASSERT_TRUE(gState.hCopyDlg != NULL);
    StartBoxWatcher({IDYES});
    PostMessageA(gState.hCopyDlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(1, ExtractPayload());
    std::vector<SeenBox> boxes = StopBoxWatcher();
    DrainQueue();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Are you sure you want to cancel?", boxes[0].text);
    EXPECT_EQ(1, gState.cancelled);
    std::string copied = ReadFileBytes(dir + "\\DUNZIP32.DLL");
    EXPECT_EQ(4096u, copied.size()) << "the copy stops after the block that served Cancel";
    EXPECT_TRUE(copied == Blob(4096 * 10, 1).substr(0, copied.size()));
    EXPECT_EQ("", ReadFileBytes(dir + "\\PACK.BOX"));
}

TEST_F(Extract, MissingLibraryAndLibraryWithoutEntryPoint)
{
    StartBoxWatcher({IDOK});
    EXPECT_EQ(1, ExpandArchive());
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Alert", boxes[0].caption);
    EXPECT_EQ("Cannot load: " + dir + "\\DUNZIP32.DLL.", boxes[0].text);
    EXPECT_EQ(1, gState.cancelled);
    DrainQueue();

    gState.cancelled = 0;
    ASSERT_TRUE(CopyFileA(Deliverable("METER.DLL").c_str(), (dir + "\\DUNZIP32.DLL").c_str(), FALSE));
    StartBoxWatcher({IDOK});
    EXPECT_EQ(1, ExpandArchive());
    boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("File: " + dir + "\\DUNZIP32.DLL is corrupted.", boxes[0].text);
    EXPECT_TRUE(gState.hUnzipLib == NULL) << "the alert releases the library";
    EXPECT_TRUE(DeleteFileA((dir + "\\DUNZIP32.DLL").c_str())) << "library still loaded";
}

TEST_F(Extract, ExpandsEveryMemberAndUnloadsTheLibrary)
{
    ASSERT_TRUE(CopyFileA(Deliverable("DUNZIP32.DLL").c_str(), (dir + "\\DUNZIP32.DLL").c_str(), FALSE));
    WriteFileBytes(dir + "\\PACK.BOX", StoredZip({{"LICENSE.TXT", "You may read it."},
                                                  {"icons/book.ico", Blob(5000, 9)}}));
    gState.hCopyDlg = CreateDialogParamA(gState.hInstance, MAKEINTRESOURCEA(IDD_COPY), NULL,
                                         CopyProgressDlgProc, 0);
    PaintExpandBar(0, 100);
    EXPECT_EQ(0, ExpandArchive());

    EXPECT_EQ("You may read it.", ReadFileBytes(dir + "\\LICENSE.TXT"));
    EXPECT_EQ(Blob(5000, 9), ReadFileBytes(dir + "\\icons\\book.ico"));
    EXPECT_EQ(2, gState.unzipCalls) << "one callback call before each member";
    EXPECT_TRUE(gState.hUnzipLib == NULL);
    EXPECT_TRUE(DeleteFileA((dir + "\\DUNZIP32.DLL").c_str())) << "library still loaded";

    const UnzipParams &p = gState.unzipParams;
#if defined(_WIN64)
    EXPECT_EQ(158u, p.structSize) << "the 64-bit build's four address fields are 8 bytes wide";
#else
    EXPECT_EQ(142u, p.structSize);
#endif
    EXPECT_EQ(8, p.operation);
    EXPECT_EQ(-1, p.memberIndex);
    EXPECT_EQ(1, p.overwrite);
    EXPECT_EQ(1, p.createDirs);
    EXPECT_EQ(1, p.keepPaths);
    EXPECT_EQ(1, p.quiet);
    EXPECT_EQ(1, p.flag108);
    EXPECT_EQ((UnzipAddress)(uintptr_t)&UnzipCallback, p.callback);
    // The expansion bar kept the scale of its first call (100), not 180.
    RECT client;
    GetClientRect(GetDlgItem(gState.hCopyDlg, IDC_BAR), &client);
    EXPECT_EQ((LONG)(10 * ((double)client.right / 100)), gState.barRect.right);
}

TEST_F(Extract, AMemberThatCannotBeWrittenIsAFatalAlertAndTheRestStays)
{
    ASSERT_TRUE(CopyFileA(Deliverable("DUNZIP32.DLL").c_str(), (dir + "\\DUNZIP32.DLL").c_str(), FALSE));
    WriteFileBytes(dir + "\\PACK.BOX", StoredZip({{"SETUP.INI", "[Setup]"}, {"LICENSE.TXT", "Read."}}));
    // A program still holds the script open, with no sharing.
    HANDLE held = CreateFileA((dir + "\\SETUP.INI").c_str(), GENERIC_WRITE, 0, NULL,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    StartBoxWatcher({IDOK});
    EXPECT_EQ(1, ExpandArchive());
    std::vector<SeenBox> boxes = StopBoxWatcher();
    CloseHandle(held);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Decompress error due to program currently running, no write permission, or disk full",
              boxes[0].text);
    EXPECT_EQ(1, gState.cancelled);
    EXPECT_EQ("Read.", ReadFileBytes(dir + "\\LICENSE.TXT")) << "the members after it still expand";
    EXPECT_TRUE(DeleteFileA((dir + "\\DUNZIP32.DLL").c_str())) << "library still loaded";
}

TEST_F(Extract, AMemberPassedOverForItsNameIsAFailedExpansion)
{
    // A licence stored under an absolute name would never be shown, and the
    // installation would go on as if there were none.
    ASSERT_TRUE(CopyFileA(Deliverable("DUNZIP32.DLL").c_str(), (dir + "\\DUNZIP32.DLL").c_str(), FALSE));
    WriteFileBytes(dir + "\\PACK.BOX", StoredZip({{"/LICENSE.TXT", "Read."},
                                                  {"../escape.txt", "never"},
                                                  {"SETUP.INI", "[Setup]"}}));
    StartBoxWatcher({IDOK});
    EXPECT_EQ(1, ExpandArchive());
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Decompress error due to program currently running, no write permission, or disk full",
              boxes[0].text);
    EXPECT_EQ(1, gState.cancelled);
    EXPECT_FALSE(FileExists(dir + "\\..\\escape.txt"));
    EXPECT_FALSE(FileExists(dir + "\\LICENSE.TXT"));
    EXPECT_EQ("[Setup]", ReadFileBytes(dir + "\\SETUP.INI")) << "the others still expand";
}

#if !defined(_WIN64)
// Calls a function without arguments and says whether the stack pointer
// came back where it was: a caller of "dunzip" that expected the library to
// remove the argument would be 4 bytes off. In assembly, so no frame pointer
// of the test's own can repair the difference.
extern "C" uint32_t gSavedEsp;
uint32_t gSavedEsp;
extern "C" int CallBalanced(int (*fn)(void), int32_t *balanced);
__asm__(".text\n"
        ".globl _CallBalanced\n"
        "_CallBalanced:\n"
        "    pushl %ebp\n"
        "    movl %esp, %ebp\n"
        "    pushl %ebx\n"
        "    pushl %esi\n"
        "    pushl %edi\n"
        "    movl %esp, _gSavedEsp\n"
        "    call *8(%ebp)\n"
        "    xorl %ecx, %ecx\n"
        "    cmpl %esp, _gSavedEsp\n"
        "    sete %cl\n"
        "    movl _gSavedEsp, %esp\n"
        "    movl 12(%ebp), %edx\n"
        "    movl %ecx, (%edx)\n"
        "    popl %edi\n"
        "    popl %esi\n"
        "    popl %ebx\n"
        "    popl %ebp\n"
        "    ret\n");
#endif

TEST_F(Extract, CallsAPublishersLibraryByTheBinding)
{
    ASSERT_TRUE(CopyFileA(TestProgram("dunzip_double.dll").c_str(),
                          (dir + "\\DUNZIP32.DLL").c_str(), FALSE));
    WriteFileBytes(dir + "\\PACK.BOX", StoredZip({{"A.TXT", "a"}}));
#if defined(_WIN64)
    // x86_64 has one calling convention: only what is passed is checked.
    EXPECT_EQ(0, ExpandArchive());
#else
    int32_t balanced = 0;
    EXPECT_EQ(0, CallBalanced(ExpandArchive, &balanced));
    EXPECT_EQ(1, balanced) << "setup left the stack off after calling dunzip";
#endif
    std::string log = ReadFileBytes(dir + "\\DUNZIP.LOG");
    char head[128];
    snprintf(head, sizeof head, "size=%d operation=8 archive=PACK.BOX mask=*.* index=-1\n",
             (int)kUnzipParamsSize);
    std::string expected = std::string(head) +
                           "callback 0 answered 1 balanced=1\n"
                           "callback 1 answered 1 balanced=1\n";
#if !defined(_WIN64)
    expected += "released with the handle in the argument's slot=1\n";
#endif
    EXPECT_EQ(expected, log);
    EXPECT_EQ(2, gState.unzipCalls);
    EXPECT_TRUE(gState.hUnzipLib == NULL);
}

TEST_F(Extract, CancelledExpansionStopsAtTheFirstCallback)
{
    ASSERT_TRUE(CopyFileA(Deliverable("DUNZIP32.DLL").c_str(), (dir + "\\DUNZIP32.DLL").c_str(), FALSE));
    WriteFileBytes(dir + "\\PACK.BOX", StoredZip({{"A.TXT", "a"}}));
    gState.cancelled = 1;
    EXPECT_EQ(0, ExpandArchive());
    EXPECT_FALSE(FileExists(dir + "\\A.TXT"));
    EXPECT_EQ(0, gState.unzipCalls);
}

TEST_F(Extract, PaintersWaitForTheirBarAndKeepTheirFirstScale)
{
    PaintInstallBar(50, 100);  // no status dialog yet: stays uninitialised
    EXPECT_EQ(0, gState.installBarReady);
    gState.hStatusDlg = CreateDialogParamA(gState.hInstance, MAKEINTRESOURCEA(IDD_STATUS), NULL,
                                           InstallProgressDlgProc, 0);
    ASSERT_TRUE(gState.hStatusDlg != NULL);
    PaintInstallBar(50, 200);
    EXPECT_EQ(1, gState.installBarReady);
    RECT client;
    GetClientRect(GetDlgItem(gState.hStatusDlg, IDC_BAR), &client);
    EXPECT_EQ((LONG)(50 * ((double)client.right / 200)), gState.barRect.right);
    PaintInstallBar(200, 10);  // maximum ignored after the first call
    EXPECT_EQ(client.right, gState.barRect.right);
    PaintInstallBar(1000000, 10);  // far past the edge: clipped, no overflow
    EXPECT_GE(gState.barRect.right, client.right);
    DestroyWindow(gState.hStatusDlg);
}

namespace {

std::string gLicenceShown;

void CALLBACK AcceptText(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(NULL, id);
    char text[256] = "";
    GetDlgItemTextA(gState.hTextDlg, IDC_EDIT, text, sizeof text);
    gLicenceShown = text;
    PostMessageA(gState.hTextDlg, WM_COMMAND, IDOK, 0);
}

}  // namespace

TEST_F(Extract, LicenceShortOrMissingCountsAsAbsent)
{
    ShowLicense();
    EXPECT_EQ(1, gState.accepted);
    gState.accepted = 0;
    WriteFileBytes(dir + "\\LICENSE.TXT", "too short");
    ShowLicense();
    EXPECT_EQ(1, gState.accepted);
    EXPECT_FALSE(FileExists(dir + "\\LICENSE.TXT")) << "a too short licence is removed";
    EXPECT_TRUE(gState.hTextDlg == NULL);
}

TEST_F(Extract, LicenceShowsNoLeftoverOfALongerReadme)
{
    strcpy(gState.textBuf, "A readme text much longer than the licence that follows it.");
    WriteFileBytes(dir + "\\LICENSE.TXT", "Short licence");
    SetTimer(NULL, 0, 100, AcceptText);
    ShowLicense();
    EXPECT_EQ("Short licence", gLicenceShown);
    EXPECT_EQ(13, gState.textLen);
    EXPECT_EQ(1, gState.accepted);
    char button[32] = "";
    GetDlgItemTextA(gState.hTextDlg, IDOK, button, sizeof button);
    EXPECT_STREQ("Accept", button);
    EXPECT_FALSE(IsWindowVisible(gState.hTextDlg));
    DestroyWindow(gState.hTextDlg);
}

namespace {

// Steps played against the licence dialog, one a timer tick apart.
HWND gOwner;
int gStep;
bool gAnswered;
bool gHiddenWhileMinimised;

void CALLBACK MinimiseThenAccept(HWND, UINT, UINT_PTR id, DWORD)
{
    switch (gStep++) {
    case 0:
        // What Windows does to owned pop-ups when their owner is minimised
        // and restored (Wine without a window manager leaves them alone).
        ShowWindow(gOwner, SW_MINIMIZE);
        ShowOwnedPopups(gOwner, FALSE);
        break;
    case 1:
        gHiddenWhileMinimised = !IsWindowVisible(gState.hTextDlg);
        ShowWindow(gOwner, SW_RESTORE);
        ShowOwnedPopups(gOwner, TRUE);
        break;
    default:
        KillTimer(NULL, id);
        gAnswered = true;
        PostMessageA(gState.hTextDlg, WM_COMMAND, IDOK, 0);
        break;
    }
}

// Cancel, and Accept while the confirmation box is open.
void CALLBACK CancelThenAccept(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(NULL, id);
    PostMessageA(gState.hTextDlg, WM_COMMAND, IDCANCEL, 0);
    PostMessageA(gState.hTextDlg, WM_COMMAND, IDOK, 0);
}

void CALLBACK PressCancel(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(NULL, id);
    PostMessageA(gState.hTextDlg, WM_COMMAND, IDCANCEL, 0);
}

class Licence : public Extract {
protected:
    void SetUp() override
    {
        Extract::SetUp();
        gOwner = CreateWindowA("STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                               200, NULL, NULL, gState.hInstance, NULL);
        gState.hMainWnd = gOwner;
        WriteFileBytes(dir + "\\LICENSE.TXT", "A licence to be accepted.");
        gStep = 0;
        gAnswered = false;
    }
    void TearDown() override
    {
        DestroyWindow(gOwner);
        Extract::TearDown();
    }
};

}  // namespace

TEST_F(Licence, MinimisingTheOwnerNeitherAnswersNorEndsTheText)
{
    strcpy(gState.programDir, dir.c_str());
    WriteFileBytes(dir + "\\readme1st.txt", "A readme to be read first.");
    for (void (*show)(void) : {ShowReadme, ShowLicense}) {
        gStep = 0;
        gAnswered = false;
        gHiddenWhileMinimised = false;
        gState.accepted = 1;  // left over from the readme, for the licence
        SetTimer(NULL, 0, 200, MinimiseThenAccept);
        show();
        EXPECT_TRUE(gAnswered) << "the text ended before it was answered";
        EXPECT_TRUE(gHiddenWhileMinimised) << "owned pop-ups hide with their owner";
        EXPECT_EQ(1, gState.accepted);
        EXPECT_EQ(0, gState.cancelled);
        MSG msg;
        EXPECT_FALSE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE))
            << "a quit left for the next loop";
    }
}

TEST_F(Licence, AcceptWhileTheCancelBoxIsOpenAndCancelConfirmed)
{
    StartBoxWatcher({IDNO});
    SetTimer(NULL, 0, 100, CancelThenAccept);
    ShowLicense();
    EXPECT_EQ(1u, StopBoxWatcher().size());
    EXPECT_EQ(1, gState.accepted);
    EXPECT_EQ(0, gState.cancelled);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE));

    StartBoxWatcher({IDYES});
    SetTimer(NULL, 0, 100, PressCancel);
    ShowLicense();
    EXPECT_EQ(1u, StopBoxWatcher().size());
    EXPECT_EQ(0, gState.accepted);
    EXPECT_EQ(1, gState.cancelled);
    EXPECT_TRUE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the program ends";
}

namespace {

// The destination dialog's Cancel, pressed while the readme is shown.
void CALLBACK QuitFromElsewhere(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(NULL, id);
    PostQuitMessage(0);
}

}  // namespace

TEST_F(Licence, AQuitFromElsewhereEndsTheTextAndReachesTheOuterLoop)
{
    SetTimer(NULL, 0, 100, QuitFromElsewhere);
    ShowLicense();
    EXPECT_EQ(0, gState.accepted);
    EXPECT_EQ(1, gState.cancelled);
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "the main loop would wait on with no dialog shown";
}
