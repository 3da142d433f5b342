// The installation sequence's file operations and viewer lookup, in process.
#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "install/find_acrobat.h"
#include "install/sequence.h"
#include "resource.h"
#include "shell/dialogs.h"
#include "shell/main_window.h"
#include "shell/state.h"
#include "state_test.h"
#include "wine_test_util.h"

#include <tlhelp32.h>

namespace {

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

    // A later lookup that finds nothing keeps what the last one found.
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".pdf");
    FindAcrobat();
    EXPECT_EQ(0, lstrcmpiA(exe.c_str(), gState.acrobatExePath));
}

TEST_F(Sequence, AUsersOwnXxxPdfSurvivesTheLookup)
{
    std::string exe = dir + "\\Viewer\\AcroRd32.exe";
    Associate(exe);
    WriteFileBytes(dir + "\\XXX.PDF", "the user's own document");
    FindAcrobat();
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
    Associate(exe);
    FindAcrobat();
    EXPECT_STREQ("", gState.acrobatExePath) << "a cut path names another program";

    // A file name longer than its 63-character field.
    exe = dir + "\\Viewer\\" + std::string(60, 'v') + "AcroRd32.exe";
    Associate(exe);
    FindAcrobat();
    EXPECT_STREQ("", gState.acrobatExePath);
    EXPECT_STREQ("", gState.acrobatExeName);
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
    Associate(dir + "\\Reader3\\AcroRd32.exe");
    for (const char *value : {"NO", "YES"}) {
        strcpy(gState.script.acro4Only, value);
        StartBoxWatcher({});
        FindAcrobat();
        EXPECT_EQ(0u, StopBoxWatcher().size()) << "ACRO4ONLY=" << value;
    }
    strcpy(gState.script.acro4Only, "");
    StartBoxWatcher({IDNO});
    FindAcrobat();
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("", boxes[0].caption);
    EXPECT_EQ("Acrobat version 3 was detected. Would you like to install Acrobat version 4?",
              boxes[0].text);
}

TEST_F(Sequence, ReaderWithSearchNeedsTheSearchPlugin)
{
    std::string viewer = dir + "\\Viewer";
    Associate(viewer + "\\AcroRd32.exe");
    strcpy(gState.script.installer, "\\VIEWER\\rsinst.exe");
    FindAcrobat();
    EXPECT_EQ(1, gState.searchRequired);
    EXPECT_EQ(0, gState.searchFound);

    CreateDirectoryA((viewer + "\\PLUG_INS").c_str(), NULL);
    WriteFileBytes(viewer + "\\PLUG_INS\\Asrch32.api", "api");
    FindAcrobat();
    EXPECT_EQ(1, gState.searchFound);

    strcpy(gState.script.installer, "\\VIEWER\\VWINST.EXE");
    gState.searchRequired = 0;
    FindAcrobat();
    EXPECT_EQ(0, gState.searchRequired);
}

// With the status dialog up, so its line can be read back.
class SequenceStatus : public Sequence {
protected:
    void SetUp() override
    {
        Sequence::SetUp();
        gState.hStatusDlg = CreateDialogParamA(gState.hInstance, MAKEINTRESOURCEA(IDD_STATUS),
                                               NULL, InstallProgressDlgProc, 0);
        ASSERT_TRUE(gState.hStatusDlg != NULL);
    }
    void TearDown() override
    {
        DestroyWindow(gState.hStatusDlg);
        Sequence::TearDown();
    }
    std::string Status()
    {
        char text[256] = "";
        GetDlgItemTextA(gState.hStatusDlg, IDC_LABEL, text, sizeof text);
        return text;
    }
};

TEST_F(SequenceStatus, NoViewerRegistered)
{
    RegDeleteTreeA(HKEY_CLASSES_ROOT, ".pdf");
    FindAcrobat();
    EXPECT_EQ("Adobe Acrobat Not Found.", Status());
    EXPECT_STREQ("", gState.acrobatDir);
    EXPECT_FALSE(FileExists(dir + "\\XXX.PDF"));
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
    ASSERT_TRUE(CopyFileA(TestProgram("recorder.exe").c_str(), viewer.c_str(), FALSE));
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
    EXPECT_FALSE(FileExists(viewer + ".args"));
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
