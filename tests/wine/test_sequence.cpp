// The installation sequence's file operations and viewer lookup, in process.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "common/text.h"
#include "setup/install/find_acrobat.h"
#include "setup/install/sequence.h"
#include "setup/install/viewer_install.h"
#include "setup/resource.h"
#include "setup/shell/dialogs.h"
#include "setup/shell/main_window.h"
#include "setup/shell/state.h"
#include "state_test.h"
#include "wine_test_util.h"

#include <tlhelp32.h>

namespace {

const char kDownloadText[] =
    "Cannot install Acrobat Reader. Please download the Acrobat installer from "
    ACROBAT_DOWNLOAD_URL " then run this program again.";

// The message of an installer that could not be started.
void ExpectDownloadMessage(const SeenBox &box)
{
    EXPECT_EQ(kDownloadText, box.text);
    EXPECT_EQ(0u, box.caption.find("WinExec Error  = ")) << box.caption;
    EXPECT_GT(box.caption.size(), strlen("WinExec Error  = ")) << "no error number";
}

class Sequence : public StateTest {
protected:
    void SetUp() override
    {
        StateTest::SetUp();
        strcpy(gState.destDir, dir.c_str());
        strcpy(gState.destDirTyped, dir.c_str());
    }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, ".pdf");
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "TarnwickUnitPdf");
        StateTest::TearDown();
    }
    // Registers exe (created if missing) as the program that opens PDF files.
    void Associate(const std::string &exe)
    {
        CreateDirectoryA(exe.substr(0, exe.rfind('\\')).c_str(), NULL);
        WriteFileBytes(exe, "MZ");
        RegSetValueA(HKEY_CLASSES_ROOT, ".pdf", REG_SZ, "TarnwickUnitPdf", 15);
        std::string command = "\"" + exe + "\" \"%1\"";
        RegSetValueA(HKEY_CLASSES_ROOT, "TarnwickUnitPdf\\shell\\open\\command", REG_SZ,
                     command.c_str(), (DWORD)command.size());
    }
};

}  // namespace

TEST_F(Sequence, MoveKeepsTheFileWhenItCannotBeCopied)
{
    WriteFileBytes(dir + "\\M.TXT", "payload");
    MoveInstalledFile("\\NOSUCH\\M.TXT");
    EXPECT_EQ("payload", ReadFileBytes(dir + "\\M.TXT")) << "the only copy was deleted";

    MoveInstalledFile("\\M.TXT");
    EXPECT_EQ("payload", ReadFileBytes(dir + "\\M.TXT")) << "moving a file onto itself";

    CreateScriptDirectory("\\SUB");
    MoveInstalledFile("\\SUB\\M.TXT");
    EXPECT_EQ("payload", ReadFileBytes(dir + "\\SUB\\M.TXT"));
    EXPECT_FALSE(FileExists(dir + "\\M.TXT"));
}

TEST_F(Sequence, CopiesFromTheSetupDriveBecomeWritable)
{
    // The value names a path on the setup drive, here C:.
    CreateDirectoryA("C:\\tarnwick-cd", NULL);
    WriteFileBytes("C:\\tarnwick-cd\\A.TXT", "from the cd");
    SetFileAttributesA("C:\\tarnwick-cd\\A.TXT", FILE_ATTRIBUTE_READONLY);
    strcpy(gState.ownPath, "C:\\SETUP.EXE");
    CreateScriptDirectory("\\tarnwick-cd");
    CopySetupFile("\\tarnwick-cd\\A.TXT");
    std::string target = dir + "\\tarnwick-cd\\A.TXT";
    EXPECT_EQ("from the cd", ReadFileBytes(target));
    DWORD attributes = GetFileAttributesA(target.c_str());
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, attributes);
    EXPECT_EQ(0u, attributes & FILE_ATTRIBUTE_READONLY) << "attributes " << attributes;
    SetFileAttributesA("C:\\tarnwick-cd\\A.TXT", FILE_ATTRIBUTE_NORMAL);
    DeleteFileA("C:\\tarnwick-cd\\A.TXT");
    RemoveDirectoryA("C:\\tarnwick-cd");
}

TEST_F(Sequence, LookupRecordsTheViewerAndLeavesNoProbe)
{
    std::string exe = dir + "\\Viewer\\AcroRd32.exe";
    Associate(exe);
    StartBoxWatcher({});
    FindAcrobat();
    EXPECT_EQ(0u, StopBoxWatcher().size());
    EXPECT_EQ(0, lstrcmpiA(exe.c_str(), gState.acrobatExePath)) << gState.acrobatExePath;
    EXPECT_EQ(0, lstrcmpiA((dir + "\\Viewer").c_str(), gState.acrobatDir)) << gState.acrobatDir;
    EXPECT_EQ(0, lstrcmpiA("AcroRd32.exe", gState.acrobatExeName));
    EXPECT_STREQ(gState.acrobatExePath, gState.acrobatShownPath);
    EXPECT_FALSE(FileExists(dir + "\\XXX.PDF"));
    EXPECT_EQ(0, gState.acrobatUnsupported);

    // A later lookup that finds nothing keeps what the last one found, and
    // runs the script's installer: here none, so the user is sent to the
    // download.
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".pdf");
    StartBoxWatcher({});
    FindAcrobat();
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    ExpectDownloadMessage(boxes[0]);
    EXPECT_EQ(1, gState.acrobatInstallFailed);
    EXPECT_EQ(0, lstrcmpiA(exe.c_str(), gState.acrobatExePath));
}

TEST_F(Sequence, AUsersOwnXxxPdfSurvivesTheLookup)
{
    std::string exe = dir + "\\Viewer\\AcroRd32.exe";
    Associate(exe);
    WriteFileBytes(dir + "\\XXX.PDF", "the user's own document");
    StartBoxWatcher({});
    FindAcrobat();
    EXPECT_EQ(0u, StopBoxWatcher().size());
    EXPECT_EQ("the user's own document", ReadFileBytes(dir + "\\XXX.PDF"));
    EXPECT_EQ(0, lstrcmpiA(exe.c_str(), gState.acrobatExePath)) << gState.acrobatExePath;
    EXPECT_FALSE(FileExists(dir + "\\XXX1.PDF")) << "the probe used instead is removed";
}

TEST_F(Sequence, AViewerPathTooLongForItsFieldsIsNotFound)
{
    // 257 characters: more than the 255 the path fields hold, less than
    // the lookup may write.
    std::string deep = dir + "\\";
    deep += std::string(240 - deep.size(), 'd');
    std::string exe = deep + "\\AcroRd32_000.exe";
    ASSERT_EQ(257u, exe.size());
    // Not found, the script's installer runs: here none, so the user is
    // sent to the download.
    Associate(exe);
    StartBoxWatcher({});
    FindAcrobat();
    std::vector<SeenBox> boxes = StopBoxWatcher();
    EXPECT_STREQ("", gState.acrobatExePath) << "a cut path names another program";
    ASSERT_EQ(1u, boxes.size());
    ExpectDownloadMessage(boxes[0]);

    // A file name longer than its 63-character field.
    exe = dir + "\\Viewer\\" + std::string(60, 'v') + "AcroRd32.exe";
    Associate(exe);
    StartBoxWatcher({});
    FindAcrobat();
    boxes = StopBoxWatcher();
    EXPECT_STREQ("", gState.acrobatExePath);
    EXPECT_STREQ("", gState.acrobatExeName);
    ASSERT_EQ(1u, boxes.size());
    ExpectDownloadMessage(boxes[0]);
}

TEST_F(Sequence, SearchPluginPathTooLongIsNotFound)
{
    // 256 characters in all: cut to 255 it would name ...\Asrch32.ap.
    std::string viewer = dir + "\\" + std::string(235 - dir.size() - 1, 'v');
    CreateDirectoryA(viewer.c_str(), NULL);
    CreateDirectoryA((viewer + "\\PLUG_INS").c_str(), NULL);
    WriteFileBytes(viewer + "\\PLUG_INS\\Asrch32.ap", "another file");
    ASSERT_TRUE(FileExists(viewer + "\\PLUG_INS\\Asrch32.ap"));
    CheckSearchPlugin(viewer.c_str());
    EXPECT_EQ(0, gState.searchFound);
}

TEST_F(Sequence, SixteenBitViewerIsRefused)
{
    Associate(dir + "\\Old\\acrord16.exe");
    StartBoxWatcher({});
    FindAcrobat();
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("ERROR", boxes[0].caption);
    EXPECT_EQ("Cannot Install on this System.", boxes[0].text);
    EXPECT_EQ(1, gState.acrobatUnsupported);
}

TEST_F(Sequence, VersionThreeAsksOnlyWithoutAnAnswerInTheScript)
{
    // The installer named cannot start, so each run of it shows up as the
    // download message.
    strcpy(gState.ownPath, "C:\\SETUP.EXE");
    strcpy(gState.script.installer, "\\tarnwick-none\\VWINST.EXE");
    const char question[] =
        "Acrobat version 3 was detected. Would you like to install Acrobat version 4?";
    Associate(dir + "\\Reader3\\AcroRd32.exe");
    strcpy(gState.script.acro4Only, "NO");
    StartBoxWatcher({});
    FindAcrobat();
    EXPECT_EQ(0u, StopBoxWatcher().size()) << "ACRO4ONLY=NO";
    EXPECT_EQ(0, gState.acrobatInstallFailed);

    strcpy(gState.script.acro4Only, "YES");
    StartBoxWatcher({});
    FindAcrobat();
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size()) << "ACRO4ONLY=YES installs without asking";
    ExpectDownloadMessage(boxes[0]);
    EXPECT_EQ(1, gState.acrobatInstallFailed);

    gState.acrobatInstallFailed = 0;
    strcpy(gState.script.acro4Only, "");
    StartBoxWatcher({IDNO});
    FindAcrobat();
    boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("", boxes[0].caption);
    EXPECT_EQ(question, boxes[0].text);
    EXPECT_EQ(0, gState.acrobatInstallFailed) << "No installs nothing";

    StartBoxWatcher({IDYES});
    FindAcrobat();
    boxes = StopBoxWatcher();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(question, boxes[0].text);
    ExpectDownloadMessage(boxes[1]);
}

TEST_F(Sequence, ReaderWithSearchNeedsTheSearchPlugin)
{
    std::string viewer = dir + "\\Viewer";
    Associate(viewer + "\\AcroRd32.exe");
    // No such installer on the setup drive: its run ends in the download
    // message, which tells that it was tried.
    strcpy(gState.ownPath, "C:\\SETUP.EXE");
    strcpy(gState.script.installer, "\\tarnwick-none\\rsinst.exe");
    StartBoxWatcher({});
    FindAcrobat();
    std::vector<SeenBox> boxes = StopBoxWatcher();
    EXPECT_EQ(1, gState.searchRequired);
    EXPECT_EQ(0, gState.searchFound);
    ASSERT_EQ(1u, boxes.size()) << "a missing Search plug-in runs the installer";
    ExpectDownloadMessage(boxes[0]);

    CreateDirectoryA((viewer + "\\PLUG_INS").c_str(), NULL);
    WriteFileBytes(viewer + "\\PLUG_INS\\Asrch32.api", "api");
    StartBoxWatcher({});
    FindAcrobat();
    EXPECT_EQ(0u, StopBoxWatcher().size());
    EXPECT_EQ(1, gState.searchFound);

    strcpy(gState.script.installer, "\\tarnwick-none\\VWINST.EXE");
    gState.searchRequired = 0;
    StartBoxWatcher({});
    FindAcrobat();
    EXPECT_EQ(0u, StopBoxWatcher().size()) << "a viewer was found: nothing to install";
    EXPECT_EQ(0, gState.searchRequired);
}

// Every text the status line was given, in order.
std::vector<std::string> gStatusHistory;
WNDPROC gLabelProc;

LRESULT CALLBACK RecordingLabelProc(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_SETTEXT && lp != 0)
        gStatusHistory.push_back((const char *)lp);
    return CallWindowProcA(gLabelProc, w, msg, wp, lp);
}

// With the status dialog up, so its line can be read back and its history
// followed.
class SequenceStatus : public Sequence {
protected:
    void SetUp() override
    {
        Sequence::SetUp();
        gState.hStatusDlg = CreateDialogParamA(gState.hInstance, MAKEINTRESOURCEA(IDD_STATUS),
                                               NULL, InstallProgressDlgProc, 0);
        ASSERT_TRUE(gState.hStatusDlg != NULL);
        gStatusHistory.clear();
        gLabelProc = (WNDPROC)SetWindowLongPtrA(GetDlgItem(gState.hStatusDlg, IDC_LABEL),
                                                GWLP_WNDPROC, (LONG_PTR)RecordingLabelProc);
    }
    void TearDown() override
    {
        DestroyWindow(gState.hStatusDlg);
        RemoveInstalledViewer();
        Sequence::TearDown();
    }
    std::string Status()
    {
        char text[256] = "";
        GetDlgItemTextA(gState.hStatusDlg, IDC_LABEL, text, sizeof text);
        return text;
    }
    bool StatusShown(const std::string &text)
    {
        for (const std::string &seen : gStatusHistory) {
            if (seen == text)
                return true;
        }
        return false;
    }
    // The test doubles, which lie beside this test program.
    static std::string TestProgram(const char *name)
    {
        char own[MAX_PATH] = "";
        GetModuleFileNameA(NULL, own, sizeof own);
        std::string path = own;
        return path.substr(0, path.find_last_of('\\') + 1) + name;
    }
    // What the installer double installs and registers.
    static std::string InstalledViewerDir()
    {
        return "C:\\Program Files\\Adobe\\Acrobat 4.0\\Reader";
    }
    static void RemoveInstalledViewer()
    {
        RegDeleteTreeA(HKEY_CLASSES_ROOT, "AcroExch.Document");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE,
                       "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\AcroRd32.exe");
        std::string viewer = InstalledViewerDir();
        DeleteFileA((viewer + "\\AcroRd32.exe").c_str());
        DeleteFileA((viewer + "\\install.log").c_str());
        RemoveDirectoryA((viewer + "\\PLUG_INS").c_str());
        RemoveDirectoryA(viewer.c_str());
    }
};

TEST_F(SequenceStatus, NoViewerRegisteredRunsTheInstaller)
{
    strcpy(gState.ownPath, "C:\\SETUP.EXE");
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".pdf");
    StartBoxWatcher({});
    FindAcrobat();
    std::vector<SeenBox> boxes = StopBoxWatcher();
    EXPECT_TRUE(StatusShown("Adobe Acrobat Not Found."));
    EXPECT_EQ("Installing Adobe Acrobat. Please Wait...", Status())
        << "an empty value cannot start: nothing is waited for";
    EXPECT_FALSE(StatusShown("Validating..."));
    ASSERT_EQ(1u, boxes.size());
    ExpectDownloadMessage(boxes[0]);
    EXPECT_EQ(1, gState.acrobatInstallFailed);
    EXPECT_STREQ("", gState.acrobatDir);
    EXPECT_FALSE(FileExists(dir + "\\XXX.PDF"));
}

TEST_F(SequenceStatus, InstallerThatCannotStart)
{
    // A missing file on the setup drive, a bundled installer that the
    // package lacks, a line too long to start whole, and a bundled value
    // that leads out of the directory to a program that is there: it is
    // neither run nor deleted.
    strcpy(gState.ownPath, "C:\\SETUP.EXE");
    std::string tooLong = "\\" + std::string(250, 'V') + ".EXE";
    std::string outside = FreshDir("InstallerOutside") + "\\X.EXE";
    ASSERT_TRUE(CopyFileA(TestProgram("installer_double.exe").c_str(), outside.c_str(), FALSE));
    std::string climbing = "Acro4Gig.exe\\..\\..\\tarnwick-InstallerOutside\\X.EXE";
    for (const std::string &value : {std::string("\\tarnwick-none\\VWINST.EXE"),
                                     std::string("Acro4Gig.exe"), tooLong, climbing}) {
        gState.acrobatInstallFailed = 0;
        CopyText(gState.script.installer, sizeof gState.script.installer, value.c_str());
        StartBoxWatcher({});
        InstallAcrobat();
        std::vector<SeenBox> boxes = StopBoxWatcher();
        ASSERT_EQ(1u, boxes.size()) << value;
        ExpectDownloadMessage(boxes[0]);
        EXPECT_EQ(1, gState.acrobatInstallFailed) << value;
    }
    EXPECT_TRUE(FileExists(outside));
    EXPECT_FALSE(FileExists(outside + ".args")) << "the program outside was run";
}

// Starts the installer double as its own process; it shows its window for
// showMs and installs nothing (no payload beside it).
static PROCESS_INFORMATION StartInstallerWindow(const std::string &program, int showMs,
                                                const std::string &title)
{
    std::string cmd = "\"" + program + "\" " + std::to_string(showMs) + " " + title;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi);
    return pi;
}

// Waits, bounded, for a window of the installer double to be there.
static HWND AwaitInstallerWindow()
{
    for (int i = 0; i < 200; ++i) {
        HWND w = FindWindowA("InstallerDouble", NULL);
        if (w != NULL)
            return w;
        Sleep(50);
    }
    return NULL;
}

struct Closer {
    HWND window;
    HANDLE cancel;
};

static DWORD WINAPI CloseAfterThirtySeconds(LPVOID param)
{
    Closer *closer = (Closer *)param;
    if (WaitForSingleObject(closer->cancel, 30000) == WAIT_TIMEOUT)
        PostMessageA(closer->window, WM_CLOSE, 0, 0);
    return 0;
}

TEST_F(SequenceStatus, WaitLastsWhileAnotherProgramsWindowIsTitledSoAndNoLonger)
{
    // setup's own windows may hold the pattern (a publication name with
    // "Reader" in it): they never keep the wait going. Should they, this
    // one goes after 30 seconds and the test sees it gone.
    std::string program = dir + "\\VWINST.EXE";
    ASSERT_TRUE(CopyFileA(TestProgram("installer_double.exe").c_str(), program.c_str(), FALSE));
    PROCESS_INFORMATION pi = StartInstallerWindow(program, 4000, "Acrobat Reader 4.0 Setup");
    ASSERT_TRUE(pi.hProcess != NULL);
    ASSERT_TRUE(AwaitInstallerWindow() != NULL);

    HWND own = CreateWindowA("STATIC", "The Reader's Setup Companion", WS_OVERLAPPED, 0, 0, 100,
                             50, NULL, NULL, gState.hInstance, NULL);
    Closer closer = {own, CreateEventA(NULL, TRUE, FALSE, NULL)};
    HANDLE closing = CreateThread(NULL, 0, CloseAfterThirtySeconds, &closer, 0, NULL);

    DWORD start = GetTickCount();
    WaitForInstallerWindows("reader", 0.2, GetTickCount());
    DWORD took = GetTickCount() - start;
    EXPECT_EQ(NULL, FindWindowA("InstallerDouble", NULL)) << "returned while it was shown";
    EXPECT_TRUE(StatusShown("Acrobat Reader 4.0 Setup"));
    EXPECT_TRUE(own != NULL && IsWindow(own)) << "setup's own window kept the wait going";
    // The first second, a check that found the window (an interval and a
    // second), then at least two quiet ones.
    EXPECT_GE(took, 1000u + 3u * 1200u - 100u);
    EXPECT_LT(took, 25000u);

    SetEvent(closer.cancel);
    WaitForSingleObject(closing, INFINITE);
    CloseHandle(closing);
    CloseHandle(closer.cancel);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    DestroyWindow(own);
}

TEST_F(SequenceStatus, BundledInstallerRunsToItsEndAndIsDeleted)
{
    // As PACK.BOX would leave it: the installer and its payload in the
    // installation directory, here a directory with a blank in its name.
    std::string installDir = dir + "\\My Book";
    CreateDirectoryA(installDir.c_str(), NULL);
    SetCurrentDirectoryA(installDir.c_str());
    std::string program = installDir + "\\Acro4Gig.exe";
    ASSERT_TRUE(CopyFileA(TestProgram("installer_double.exe").c_str(), program.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(TestProgram("viewer_double.exe").c_str(),
                          (installDir + "\\AcroRd32.ex_").c_str(), FALSE));
    RemoveInstalledViewer();
    // The installer tells every window that the environment changed before
    // it ends; setup's own window, on this thread, must answer while setup
    // waits for the installer.
    strcpy(gState.script.installer, "Acro4Gig.exe -broadcast 4000");
    HWND own = CreateWindowA("STATIC", "Blocked Setup Window", WS_OVERLAPPED, 0, 0, 100, 50,
                             NULL, NULL, gState.hInstance, NULL);
    ASSERT_TRUE(own != NULL);

    DWORD start = GetTickCount();
    StartBoxWatcher({});
    InstallAcrobat();
    EXPECT_EQ(0u, StopBoxWatcher().size());
    DWORD took = GetTickCount() - start;
    DestroyWindow(own);

    EXPECT_EQ(0, gState.acrobatInstallFailed);
    EXPECT_FALSE(FileExists(program)) << "the bundled installer stays behind";
    std::string log = ReadFileBytes(InstalledViewerDir() + "\\install.log");
    EXPECT_NE(std::string::npos, log.find("started \"" + program + "\" -broadcast 4000\n"))
        << log;
    EXPECT_NE(std::string::npos, log.find("broadcast\n")) << log;
    EXPECT_EQ(std::string::npos, log.find("unanswered Blocked Setup Window")) << log;
    EXPECT_NE(std::string::npos, log.find("ended")) << log;
    // setup blocked until the installer ended, so no check ever saw its
    // window: the status line went straight to "Validating...".
    std::vector<std::string> expected = {"Installing Adobe Acrobat. Please Wait...",
                                         "Validating..."};
    EXPECT_EQ(expected, gStatusHistory);
    EXPECT_GE(took, 4000u + 14000u) << "the installer's time and the waits' 15 seconds";

    // The next lookup finds what it installed.
    SetCurrentDirectoryA(dir.c_str());
    FindAcrobat();
    EXPECT_EQ(0, lstrcmpiA((InstalledViewerDir() + "\\AcroRd32.exe").c_str(),
                           gState.acrobatExePath))
        << gState.acrobatExePath;
}

TEST_F(SequenceStatus, PluginWithoutAViewerIsReportedAndUnstaged)
{
    WriteFileBytes(dir + "\\P2.API", "plug-in");
    MovePlugin("P2.API");  // no lookup found a viewer: the target is \PLUG_INS
    EXPECT_EQ("Tarnwick was unable to copy to your Acrobat plug-ins directory.", Status());
    EXPECT_FALSE(FileExists(dir + "\\P2.API"));

    std::string viewer = dir + "\\Viewer";
    CreateDirectoryA(viewer.c_str(), NULL);
    CreateDirectoryA((viewer + "\\PLUG_INS").c_str(), NULL);
    strcpy(gState.acrobatDir, viewer.c_str());
    WriteFileBytes(dir + "\\P1.API", "plug-in one");
    MovePlugin("P1.API");
    EXPECT_EQ("Copying Files...", Status());
    EXPECT_EQ("plug-in one", ReadFileBytes(viewer + "\\PLUG_INS\\P1.API"));
    EXPECT_FALSE(FileExists(dir + "\\P1.API"));
}

namespace {

// A whole RunInstallScript run: a main window of setup's own procedure, every
// text set on a status line (control 1006 of the status and completion
// dialogs) recorded in order, OK pressed on the completion dialog, and a
// watchdog that ends a run that would never end.
std::vector<std::string> gTexts;
std::string gCloseOn;  // closes the main window when this status is shown
HHOOK gHook;

LRESULT CALLBACK RecordTexts(int code, WPARAM wp, LPARAM lp)
{
    const CWPSTRUCT *m = (const CWPSTRUCT *)lp;
    if (code == HC_ACTION && m->message == WM_SETTEXT && GetDlgCtrlID(m->hwnd) == IDC_LABEL) {
        std::string text = (const char *)m->lParam;
        gTexts.push_back(text);
        HWND dlg = GetParent(m->hwnd);
        if (GetDlgItem(dlg, IDOK) != NULL)  // the completion dialog
            PostMessageA(dlg, WM_COMMAND, IDOK, 0);
        if (text == gCloseOn)
            PostMessageA(gState.hMainWnd, WM_CLOSE, 0, 0);
    }
    return CallNextHookEx(gHook, code, wp, lp);
}

struct Watchdog {
    HANDLE done;
    DWORD thread;
    volatile LONG fired;
};
Watchdog gDog;

DWORD WINAPI Watch(LPVOID)
{
    if (WaitForSingleObject(gDog.done, 60000) == WAIT_TIMEOUT) {
        gDog.fired = 1;
        PostThreadMessageA(gDog.thread, WM_QUIT, 0, 0);
    }
    return 0;
}

// Whether a process of this image name is running now.
bool Running(const char *image)
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL ok = Process32First(snap, &entry); ok && !found; ok = Process32Next(snap, &entry))
        found = lstrcmpiA(entry.szExeFile, image) == 0;
    CloseHandle(snap);
    return found;
}

class Run : public Sequence {
protected:
    void SetUp() override
    {
        Sequence::SetUp();
        WNDCLASSA wc = {};
        wc.lpfnWndProc = MainWndProc;
        wc.hInstance = gState.hInstance;
        wc.lpszClassName = "TestQuickinst";
        RegisterClassA(&wc);
        gState.hMainWnd = CreateWindowA("TestQuickinst", "Run", WS_OVERLAPPEDWINDOW, 0, 0, 300,
                                        200, NULL, NULL, gState.hInstance, NULL);
        ASSERT_TRUE(gState.hMainWnd != NULL);
        strcpy(gState.ownPath, "C:\\SETUP.EXE");
        gTexts.clear();
        gCloseOn.clear();
        gHook = SetWindowsHookExA(WH_CALLWNDPROC, RecordTexts, NULL, GetCurrentThreadId());
    }
    void TearDown() override
    {
        UnhookWindowsHookEx(gHook);
        if (IsWindow(gState.hMainWnd))
            DestroyWindow(gState.hMainWnd);
        Sequence::TearDown();
    }
    // Runs the sequence; false when the watchdog had to end it.
    bool RunScript(const std::string &script)
    {
        if (!script.empty())
            WriteFileBytes(dir + "\\setup.ini", script);
        gDog.done = CreateEventA(NULL, TRUE, FALSE, NULL);
        gDog.thread = GetCurrentThreadId();
        gDog.fired = 0;
        HANDLE watcher = CreateThread(NULL, 0, Watch, NULL, 0, NULL);
        RunInstallScript("C");
        SetEvent(gDog.done);
        WaitForSingleObject(watcher, INFINITE);
        CloseHandle(watcher);
        CloseHandle(gDog.done);
        return !gDog.fired;
    }
    void StageEmbed()
    {
        ASSERT_TRUE(CopyFileA(TestProgram("recorder.exe").c_str(), (dir + "\\EMBED.EXE").c_str(),
                              FALSE));
    }
};

}  // namespace

TEST_F(Run, StatusLinesOfTheMainPathInOrder)
{
    StageEmbed();
    std::string viewer = dir + "\\Viewer\\AcroRd32.exe";
    Associate(viewer);  // no PLUG_INS there: the plug-in cannot be copied
    WriteFileBytes(dir + "\\P1.API", "plug-in");
    StartBoxWatcher({});
    ASSERT_TRUE(RunScript("Installer=\\VIEWER\\VWINST.EXE\r\nROMRESIDENT=NO\r\nPLUGIN1=P1.API\r\n"));
    EXPECT_EQ(0u, StopBoxWatcher().size());
    std::vector<std::string> expected = {
        "Beginning Installation...",
        "Finding Adobe Acrobat...",
        "Adobe Acrobat Found at:",
        gState.acrobatExePath,
        "Finding Adobe Acrobat...",
        "Copying Files...",
        "Tarnwick was unable to copy to your Acrobat plug-ins directory.",
        "Tarnwick Publisher Initialization...",
        "Detecting Operating System Version...",
        "Installing for Windows 95/98/NT.",
        "Tarnwick Publisher Initialization Complete.",
        "Finishing...",
        "Finished.",
        "Installation is Complete.",
    };
    EXPECT_EQ(expected, gTexts);
    EXPECT_EQ(0, lstrcmpiA(viewer.c_str(), gState.acrobatExePath)) << "the shown path";
    EXPECT_EQ("\"" + dir + "\\EMBED.EXE\" -cdrom C:\\", ReadFileBytes(dir + "\\EMBED.EXE.args"));
    EXPECT_FALSE(IsWindow(gState.hMainWnd)) << "the sequence ends with the main window";
}

TEST_F(Run, WithoutAScriptTheSequenceEndsSilently)
{
    StageEmbed();
    StartBoxWatcher({});
    ASSERT_TRUE(RunScript(""));
    EXPECT_EQ(0u, StopBoxWatcher().size());
    EXPECT_EQ(std::vector<std::string>{"Beginning Installation..."}, gTexts);
    EXPECT_FALSE(FileExists(dir + "\\EMBED.EXE.args"));
}

TEST_F(Run, NoAutoLaunchWhenEmbedCouldNotStart)
{
    std::string viewer = dir + "\\Viewer\\AcroRd32.exe";
    Associate(viewer);
    ASSERT_TRUE(CopyFileA(TestProgram("viewer_double.exe").c_str(), viewer.c_str(), FALSE));
    StartBoxWatcher({});
    ASSERT_TRUE(RunScript("AUTOLAUNCH=YES\r\nMAINFILE=\r\n"));
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Cannot execute Tarnwick 32-bit Installer.", boxes[0].caption);
    ASSERT_FALSE(gTexts.empty());
    EXPECT_EQ("Installation Not Complete.", gTexts.back());
    // WinExec returns once the process exists: it would be running now or
    // have left its record.
    EXPECT_FALSE(Running("AcroRd32.exe"));
    EXPECT_FALSE(FileExists(dir + "\\Viewer\\opened.txt"));
}

TEST_F(Run, ClosingTheMainWindowEndsTheSequenceAtTheNextStep)
{
    StageEmbed();
    gCloseOn = "Beginning Installation...";
    StartBoxWatcher({});
    EXPECT_TRUE(RunScript("PLUGIN1=P1.API\r\n")) << "setup waited for a dialog it cannot show";
    StopBoxWatcher();
    EXPECT_EQ(std::vector<std::string>{"Beginning Installation..."}, gTexts);
    EXPECT_FALSE(FileExists(dir + "\\EMBED.EXE.args")) << "embed ran after the window closed";
    EXPECT_EQ(1, gState.cancelled);
}

TEST_F(Sequence, EmbedIsStartedEvenBelowAFolderWithABlank)
{
    // Unquoted, "<dir>\MY BOOK\EMBED.EXE -cdrom" would start <dir>\MY.EXE.
    std::string book = dir + "\\MY BOOK";
    CreateDirectoryA(book.c_str(), NULL);
    ASSERT_TRUE(CopyFileA(TestProgram("recorder.exe").c_str(), (dir + "\\MY.EXE").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(TestProgram("recorder.exe").c_str(), (book + "\\EMBED.EXE").c_str(),
                          FALSE));
    SetCurrentDirectoryA(book.c_str());
    StartBoxWatcher({});
    EXPECT_EQ(1, RunEmbed("D"));
    EXPECT_EQ(0u, StopBoxWatcher().size());
    EXPECT_EQ("\"" + book + "\\EMBED.EXE\" -cdrom D:\\", ReadFileBytes(book + "\\EMBED.EXE.args"));
    EXPECT_FALSE(FileExists(dir + "\\MY.EXE.args")) << "the planted program was started";
}

TEST_F(SequenceStatus, ValuesAndPathsThatDoNotFitAreRefusedNotCut)
{
    // COPYFILE= and MOVEFILE= values of 100 characters, whose first 99 name
    // files that exist.
    const std::string prefix = "\\tarnwick-long\\";
    const std::string cutValue = prefix + std::string(99 - prefix.size(), 'a');
    CreateDirectoryA("C:\\tarnwick-long", NULL);
    WriteFileBytes("C:" + cutValue, "on the setup drive");
    strcpy(gState.ownPath, "C:\\SETUP.EXE");
    CreateScriptDirectory("\\tarnwick-long");
    CopySetupFile((cutValue + "b").c_str());
    EXPECT_FALSE(FileExists(dir + cutValue)) << "copied by a cut name";
    DeleteFileA(("C:" + cutValue).c_str());
    RemoveDirectoryA("C:\\tarnwick-long");

    const std::string name = cutValue.substr(prefix.size());
    WriteFileBytes(dir + "\\" + name, "staged");
    MoveInstalledFile((cutValue + "b").c_str());
    EXPECT_EQ("staged", ReadFileBytes(dir + "\\" + name)) << "moved by a cut name";

    // A directory whose whole path would be 256 characters.
    std::string longDir = "\\" + std::string(255 - dir.size(), 'x');
    CreateScriptDirectory(longDir.c_str());
    EXPECT_FALSE(FileExists(dir + longDir.substr(0, longDir.size() - 1)));

    // A plug-in target of 256 characters: cut, it would be ...\PLUG_INS\P1.AP.
    std::string viewer = dir + "\\" + std::string(256 - 16 - dir.size() - 1, 'v');
    CreateDirectoryA(viewer.c_str(), NULL);
    CreateDirectoryA((viewer + "\\PLUG_INS").c_str(), NULL);
    ASSERT_EQ(256u, (viewer + "\\PLUG_INS\\P1.API").size());
    strcpy(gState.acrobatDir, viewer.c_str());
    WriteFileBytes(dir + "\\P1.API", "plug-in");
    MovePlugin("P1.API");
    EXPECT_EQ("Tarnwick was unable to copy to your Acrobat plug-ins directory.", Status());
    EXPECT_FALSE(FileExists(viewer + "\\PLUG_INS\\P1.AP"));
    EXPECT_FALSE(FileExists(dir + "\\P1.API")) << "the staged copy goes either way";
}
