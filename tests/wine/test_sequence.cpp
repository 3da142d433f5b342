// The installation sequence's file operations and viewer lookup, in process.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "install/find_acrobat.h"
#include "install/sequence.h"
#include "resource.h"
#include "shell/dialogs.h"
#include "shell/state.h"
#include "state_test.h"
#include "wine_test_util.h"

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
