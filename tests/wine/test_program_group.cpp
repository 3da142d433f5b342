// The group's folder and shortcuts read back through the shell's link
// object, and the uninstaller's first stage up to its copy, in process.
#include <gtest/gtest.h>
#include <objbase.h>
#include <ctype.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "setup/install/program_group.h"
#include "setup/install/uninstall.h"
#include "setup/shell/state.h"
#include "state_test.h"
#include "wine_test_util.h"

namespace {

const char kGroup[] = "Tarnwick Unit Group";

struct Link {
    bool loaded;
    std::string target;
    std::string icon;
    int index;
    std::string arguments;
};

std::string ProgramsDir()
{
    char path[MAX_PATH] = "";
    SHGetSpecialFolderPathA(NULL, path, CSIDL_PROGRAMS, FALSE);
    return path;
}

Link ReadLink(const std::string &path)
{
    Link link = {false, "", "", -1, ""};
    IShellLinkA *shellLink = NULL;
    IPersistFile *file = NULL;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   (void **)&shellLink)) &&
        SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, (void **)&file))) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
        if (SUCCEEDED(file->Load(wide, STGM_READ))) {
            char target[MAX_PATH] = "", icon[MAX_PATH] = "", arguments[MAX_PATH] = "";
            shellLink->GetPath(target, sizeof target, NULL, SLGP_RAWPATH);
            shellLink->GetIconLocation(icon, sizeof icon, &link.index);
            shellLink->GetArguments(arguments, sizeof arguments);
            link = {true, target, icon, link.index, arguments};
        }
    }
    if (file != NULL)
        file->Release();
    if (shellLink != NULL)
        shellLink->Release();
    return link;
}

class ProgramGroup : public StateTest {
protected:
    std::string group;
    void SetUp() override
    {
        StateTest::SetUp();
        group = ProgramsDir() + "\\" + kGroup;
        RemoveGroup();
    }
    void TearDown() override
    {
        RemoveGroup();
        StateTest::TearDown();
    }
    void RemoveGroup()
    {
        for (const char *name : {"Book", "Readme", "Uninstall", "Launcher", "Mine"})
            DeleteFileA((group + "\\" + name + ".lnk").c_str());
        RemoveDirectoryA(group.c_str());
    }
};

}  // namespace

TEST_F(ProgramGroup, IconLocationOnlyForProgramAndDocumentTargets)
{
    ASSERT_FALSE(ProgramsDir().empty());
    StartBoxWatcher({});
    EXPECT_EQ(1, CreateGroupFolder(kGroup));
    EXPECT_EQ(1, CreateGroupFolder(kGroup)) << "an existing folder is kept";
    CreateShortcut("D:\\EBOOK\\BOOK.PDF", "Book", kGroup, "C:\\BOOK\\BOOK.ICO");
    CreateShortcut("C:\\BOOK\\UNINSTAL.EXE", "Uninstall", kGroup, "C:\\BOOK\\UNINSTAL.ICO");
    CreateShortcut("C:\\BOOK\\README.TXT", "Readme", kGroup, "NULL");
    CreateShortcut("D:\\tklaunch.exe ", "Launcher", kGroup, "C:\\BOOK\\BOOK.ICO");
    EXPECT_TRUE(StopBoxWatcher().empty());

    Link book = ReadLink(group + "\\Book.lnk");
    ASSERT_TRUE(book.loaded);
    EXPECT_EQ("D:\\EBOOK\\BOOK.PDF", book.target);
    EXPECT_EQ("C:\\BOOK\\BOOK.ICO", book.icon);
    EXPECT_EQ(0, book.index);
    Link uninstall = ReadLink(group + "\\Uninstall.lnk");
    ASSERT_TRUE(uninstall.loaded);
    EXPECT_EQ("C:\\BOOK\\UNINSTAL.ICO", uninstall.icon);
    Link readme = ReadLink(group + "\\Readme.lnk");
    ASSERT_TRUE(readme.loaded);
    EXPECT_EQ("C:\\BOOK\\README.TXT", readme.target);
    EXPECT_EQ("", readme.icon);
    Link launcher = ReadLink(group + "\\Launcher.lnk");
    ASSERT_TRUE(launcher.loaded);
    EXPECT_EQ("", launcher.icon) << "the launcher's target ends in \"xe \"";
}

TEST_F(ProgramGroup, ASilentRunMakesProgramManagersItemsAsLinks)
{
    // Program Manager would open the group's window to add them: a silent
    // run makes them itself, and only those that start something.
    gState.silent = 1;
    strcpy(gState.ownPath, "D:\\SETUP.EXE");
    strcpy(gState.groupName, kGroup);
    strcpy(gState.script.wriFile, "\\BOOK\\NOTES.WRI");
    strcpy(gState.script.wriTitle, "Book");
    strcpy(gState.script.setup2, "\\VIEWER\\SETUP.EXE");
    strcpy(gState.script.s2Title, "Launcher");
    strcpy(gState.script.s3Title, "Mine");
    ASSERT_EQ(1, CreateGroupFolder(kGroup));
    StartBoxWatcher({});
    EXPECT_EQ(1, AddProgmanItems());
    EXPECT_TRUE(StopBoxWatcher().empty());
    EXPECT_EQ(0, gState.stepFailed) << gState.failure;

    Link book = ReadLink(group + "\\Book.lnk");
    ASSERT_TRUE(book.loaded);
    std::string program = book.target;
    for (char &c : program)
        c = (char)toupper((unsigned char)c);
    EXPECT_NE(std::string::npos, program.find("WRITE.EXE")) << book.target;
    EXPECT_EQ("D:\\BOOK\\NOTES.WRI", book.arguments);
    EXPECT_EQ("WRITE.EXE", book.icon);
    Link launcher = ReadLink(group + "\\Launcher.lnk");
    ASSERT_TRUE(launcher.loaded);
    EXPECT_EQ("D:\\VIEWER\\SETUP.EXE", launcher.target);
    EXPECT_EQ("", launcher.arguments);
    EXPECT_EQ(dir + "\\SETUP.ICO", launcher.icon);
    EXPECT_FALSE(FileExists(group + "\\Mine.lnk")) << "no Setup3= program, no item";

    // A title no link can take is a step not done.
    strcpy(gState.script.s2Title, "a|b");
    EXPECT_EQ(1, AddProgmanItems());
    EXPECT_EQ(1, gState.stepFailed);
    EXPECT_STREQ("Cannot create the link: a|b", gState.failure);
}

TEST_F(ProgramGroup, ALinkOfTheSameNameIsReplaced)
{
    CreateGroupFolder(kGroup);
    StartBoxWatcher({});
    CreateShortcut("D:\\OLD\\OLD.PDF", "Book", kGroup, "C:\\OLD\\OLD.ICO");
    CreateShortcut("C:\\BOOK\\README.TXT", "Mine", kGroup, "NULL");
    CreateShortcut("C:\\BOOK\\NEW.TXT", "Book", kGroup, "C:\\BOOK\\BOOK.ICO");
    EXPECT_TRUE(StopBoxWatcher().empty());
    Link book = ReadLink(group + "\\Book.lnk");
    ASSERT_TRUE(book.loaded);
    EXPECT_EQ("C:\\BOOK\\NEW.TXT", book.target);
    EXPECT_EQ("", book.icon) << "nothing of the old link stays";
    EXPECT_TRUE(ReadLink(group + "\\Mine.lnk").loaded) << "other links stay";
}

TEST_F(ProgramGroup, ALinkThatCannotBeSavedIsReported)
{
    // No group folder: the link has nowhere to go.
    StartBoxWatcher({});
    CreateShortcut("C:\\BOOK\\README.TXT", "Readme", kGroup, "NULL");
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Error", boxes[0].caption);
    EXPECT_EQ("Failed to Create Program Group", boxes[0].text);
    EXPECT_FALSE(FileExists(group));
}

TEST_F(ProgramGroup, LinksWhosePathsDoNotFitAreNotMade)
{
    // An installation directory of 244 characters: its README.TXT just fits
    // the 255 a path may have, its UNINSTAL.EXE does not, nor does the main
    // item's icon path. Cut, they would name other files.
    std::string installDir = dir;
    while (installDir.size() < 244) {
        size_t left = 244 - installDir.size();
        installDir += "\\" + std::string(left > 60 ? 30 : left - 1, 'd');
        CreateDirectoryA(installDir.c_str(), NULL);
    }
    ASSERT_EQ(244u, installDir.size());
    ASSERT_TRUE(SetCurrentDirectoryA(installDir.c_str()));
    strcpy(gState.ownPath, "D:\\SETUP.EXE");
    snprintf(gState.script.folderTitle, sizeof gState.script.folderTitle, "\"%s\"", kGroup);
    strcpy(gState.script.iconTitle, "\"Book\"");
    strcpy(gState.script.iconFile, "LIGHTHOUSE.ICO");
    strcpy(gState.script.mainFile, "\\EBOOK\\BOOK.PDF");

    StartBoxWatcher({});
    EXPECT_EQ(1, CreateProgramGroup());
    EXPECT_TRUE(StopBoxWatcher().empty());
    EXPECT_FALSE(FileExists(group + "\\Book.lnk"));
    EXPECT_FALSE(FileExists(group + "\\Uninstall.lnk"));
    Link readme = ReadLink(group + "\\Readme.lnk");
    ASSERT_TRUE(readme.loaded);
    EXPECT_EQ(installDir + "\\README.TXT", readme.target);
    EXPECT_STREQ("D:\\EBOOK\\BOOK.PDF", gState.MainTarget) << "the target itself fits";
    SetCurrentDirectoryA(dir.c_str());
}

namespace {

class Uninstall : public StateTest {
protected:
    void SetUp() override
    {
        StateTest::SetUp();
        snprintf(gState.ownPath, sizeof gState.ownPath, "%s\\UNINSTAL.EXE", dir.c_str());
        for (const char *name : {"README.TXT", "LICENSE.TXT", "EMBED.EXE", "BOOK.ICO"})
            WriteFileBytes(dir + "\\" + name, name);
    }
    bool AllInstalled()
    {
        for (const char *name : {"README.TXT", "LICENSE.TXT", "EMBED.EXE", "BOOK.ICO"}) {
            if (!FileExists(dir + "\\" + name))
                return false;
        }
        return true;
    }
};

}  // namespace

TEST_F(Uninstall, CancelAndAMissingScriptLeaveEverything)
{
    WriteFileBytes(dir + "\\setup.ini", "ICONFILE=BOOK.ICO\r\n");
    StartBoxWatcher({IDCANCEL});
    RunUninstall();
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Uninstall", boxes[0].caption);
    EXPECT_EQ("Are you sure you want to uninstall?", boxes[0].text);
    EXPECT_TRUE(AllInstalled());
    EXPECT_TRUE(FileExists(dir + "\\setup.ini"));

    DeleteFileA((dir + "\\setup.ini").c_str());
    StartBoxWatcher({IDOK});
    RunUninstall();
    boxes = StopBoxWatcher();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("", boxes[1].caption);
    EXPECT_EQ("couldn't open .ini", boxes[1].text);
    EXPECT_TRUE(AllInstalled());
}

TEST_F(Uninstall, OnlyTheListedFilesOfTheDirectoryGo)
{
    // Values that reach outside the directory are never deleted; this run
    // has no UNINSTAL.EXE to hand over to, so it ends after the deletions.
    std::string outside = FreshDir("UninstallOutside");
    WriteFileBytes(outside + "\\KEEP.TXT", "keep");
    CreateDirectoryA((dir + "\\SUB").c_str(), NULL);
    WriteFileBytes(dir + "\\SUB\\DEEP.TXT", "deep");
    std::string script = "FOLDERTITLE=\"\"\r\nICONFILE=BOOK.ICO\r\nUFILE=" + outside +
                         "\\KEEP.TXT\r\nUFILE=SUB\\DEEP.TXT\r\n";
    WriteFileBytes(dir + "\\setup.ini", script);
    WriteFileBytes(dir + "\\MINE.TXT", "mine");
    StartBoxWatcher({IDOK});
    RunUninstall();
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size()) << boxes.back().text;
    for (const char *name : {"README.TXT", "LICENSE.TXT", "EMBED.EXE", "BOOK.ICO", "setup.ini"})
        EXPECT_FALSE(FileExists(dir + "\\" + name)) << name;
    EXPECT_TRUE(FileExists(dir + "\\MINE.TXT"));
    EXPECT_TRUE(FileExists(dir + "\\SUB\\DEEP.TXT"));
    EXPECT_TRUE(FileExists(outside + "\\KEEP.TXT"));
}

TEST_F(Uninstall, AFileThatStaysKeepsTheScriptAndTheUninstaller)
{
    WriteFileBytes(dir + "\\setup.ini", "ICONFILE=BOOK.ICO\r\n");
    WriteFileBytes(dir + "\\UNINSTAL.EXE", "the uninstaller");
    SetFileAttributesA((dir + "\\README.TXT").c_str(), FILE_ATTRIBUTE_READONLY);
    StartBoxWatcher({IDOK, IDOK});
    EXPECT_EQ(2, RunUninstall());
    std::vector<SeenBox> boxes = StopBoxWatcher();
    SetFileAttributesA((dir + "\\README.TXT").c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ("Uninstall", boxes[1].caption);
    EXPECT_EQ("Some files could not be removed. Close the programs that use them and run "
              "Uninstall again.",
              boxes[1].text);
    EXPECT_TRUE(FileExists(dir + "\\README.TXT"));
    EXPECT_TRUE(FileExists(dir + "\\setup.ini")) << "the uninstaller can be run again";
    EXPECT_TRUE(FileExists(dir + "\\UNINSTAL.EXE"));
    for (const char *name : {"LICENSE.TXT", "EMBED.EXE", "BOOK.ICO"})
        EXPECT_FALSE(FileExists(dir + "\\" + name)) << name;
}

TEST_F(Uninstall, TheRelayDeletesOnlyTheFileThatHandedOver)
{
    std::string installed = FreshDir("UninstallRelay") + "\\UNINSTAL.EXE";
    WriteFileBytes(installed, "the uninstaller that handed over");
    char identity[64];
    FileIdentity(installed.c_str(), identity, sizeof identity);
    ASSERT_STRNE("", identity);
    // What the relay waits on has ended: here an event that is set.
    HANDLE ended = CreateEventA(NULL, TRUE, TRUE, NULL);
    char order[512];
    snprintf(order, sizeof order, "/WAIT=%llX /FILE=%s %s", (unsigned long long)(uintptr_t)ended,
             identity, installed.c_str());

    // An installation into the same folder wrote its own uninstaller since.
    WriteFileBytes(installed, "a newer installation's uninstaller");
    RunTempUninstaller(order, order);
    EXPECT_EQ("a newer installation's uninstaller", ReadFileBytes(installed));

    FileIdentity(installed.c_str(), identity, sizeof identity);
    ended = CreateEventA(NULL, TRUE, TRUE, NULL);
    snprintf(order, sizeof order, "/WAIT=%llX /FILE=%s %s", (unsigned long long)(uintptr_t)ended,
             identity, installed.c_str());
    std::string current = dir;
    ASSERT_TRUE(SetCurrentDirectoryA("C:\\"));  // as the uninstaller leaves it for its relay
    RunTempUninstaller(order, order);
    SetCurrentDirectoryA(current.c_str());
    EXPECT_FALSE(FileExists(installed));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesA(installed.substr(0, installed.rfind('\\')).c_str()))
        << "the emptied folder goes too";
}

TEST_F(Uninstall, TheSecondStageDeletesNothingButAnUninstaller)
{
    std::string victim = FreshDir("UninstallVictim");
    WriteFileBytes(victim + "\\WIN.INI", "keep");
    std::string path = victim + "\\WIN.INI";
    for (char &c : path)
        c = (char)toupper((unsigned char)c);
    RunTempUninstaller(path.c_str(), path.c_str());
    EXPECT_TRUE(FileExists(victim + "\\WIN.INI"));
}
