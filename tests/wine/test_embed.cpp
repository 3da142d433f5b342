// embed's steps in-process: copies that meet a failed read, paths that do
// not fit their buffers, answers that are not consent, App Paths values.
#include <gtest/gtest.h>
#include <windows.h>
#include <string.h>

#include <string>

#include "acrobat/acrobat.h"
#include "embed/file_copy.h"
#include "embed/payload.h"
#include "embed/plugin.h"
#include "embed/state.h"
#include "embed/trust.h"
#include "wine_test_util.h"

EmbedState gEmbed;

namespace {

HANDLE Open(const std::string &path, DWORD access, DWORD disposition)
{
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                       disposition, 0, NULL);
}

// While alive, every window this thread tries to create is refused, so a
// message box cannot be shown and MessageBoxA fails.
struct NoWindows {
    HHOOK hook;
    static LRESULT CALLBACK Refuse(int code, WPARAM w, LPARAM l)
    {
        return code == HCBT_CREATEWND ? 1 : CallNextHookEx(NULL, code, w, l);
    }
    NoWindows() { hook = SetWindowsHookExA(WH_CBT, Refuse, NULL, GetCurrentThreadId()); }
    ~NoWindows() { UnhookWindowsHookEx(hook); }
};

const char kViewerKey[] = "Software\\Adobe\\Acrobat Reader\\5.0\\AdobeViewer";
const char kReaderKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\AcroRd32.EXE";

void SetDefault(HKEY root, const char *key, const std::string &value)
{
    HKEY h;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(root, key, 0, NULL, 0, KEY_ALL_ACCESS, NULL, &h, NULL));
    RegSetValueExA(h, NULL, 0, REG_SZ, (const BYTE *)value.c_str(), (DWORD)value.size() + 1);
    RegCloseKey(h);
}

}  // namespace

TEST(EmbedCopy, AFailedOrShortReadIsNoEndOfData)
{
    std::string dir = FreshDir("embed_copy");
    WriteFileBytes(dir + "\\src", Blob(100, 1));
    HANDLE to = Open(dir + "\\dst", GENERIC_WRITE, CREATE_ALWAYS);

    HANDLE unreadable = Open(dir + "\\src", GENERIC_WRITE, OPEN_EXISTING);
    EXPECT_EQ(kCopyReadFailed, CopyRange(unreadable, to, 100));
    EXPECT_EQ(kCopyReadFailed, CopyWhole(unreadable, to));
    CloseHandle(unreadable);

    HANDLE from = Open(dir + "\\src", GENERIC_READ, OPEN_EXISTING);
    EXPECT_EQ(kCopyReadFailed, CopyRange(from, to, 5000)) << "the file ends before the range";
    SetFilePointer(from, 0, NULL, FILE_BEGIN);
    EXPECT_EQ(kCopyDone, CopyRange(from, to, 100));
    SetFilePointer(from, 0, NULL, FILE_BEGIN);
    EXPECT_EQ(kCopyDone, CopyWhole(from, to));
    CloseHandle(from);
    CloseHandle(to);
}

TEST(EmbedDocument, ACopyCutShortIsRemovedAndReported)
{
    std::string dir = FreshDir("embed_short");
    memset(&gEmbed, 0, sizeof gEmbed);
    WriteFileBytes(dir + "\\INST.EXE", Blob(3000, 2));
    strcpy(gEmbed.ownPath, (dir + "\\INST.EXE").c_str());
    strcpy(gEmbed.ownDir, dir.c_str());
    strcpy(gEmbed.docName, "book.pdf");
    gEmbed.docOffset = 1000;
    gEmbed.docLength = 5000;  // the file ends 2000 bytes in
    StartBoxWatcher({IDOK});
    EXPECT_EQ(0, ExtractDocument());
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Error", boxes[0].caption);
    EXPECT_EQ("Cannot write: " + dir + "\\book.pdf", boxes[0].text);
    EXPECT_FALSE(FileExists(dir + "\\book.pdf")) << "a short document looks whole";
}

// The bare program's last bytes are its own sections, which can start with
// the marker and read as fields that fit: they are no trailer.
TEST(EmbedTrailer, MarkerInsideTheProgramImageIsNoTrailer)
{
    std::string dir = FreshDir("embed_bare");
    memset(&gEmbed, 0, sizeof gEmbed);
    std::string tests = TestProgram("x");
    tests = tests.substr(0, tests.rfind('\\'));
    std::string program = ReadFileBytes(tests.substr(0, tests.rfind('\\')) + "\\bin\\embed.exe");
    ASSERT_GT(program.size(), 4096u);
    std::string record(512, '\0');
    record.replace(0, 2, "@0");  // an update installer: no document, no plug-in
    record.replace(128, 1, "0");
    program.replace(program.size() - 512, 512, record);
    WriteFileBytes(dir + "\\INST.EXE", program);
    strcpy(gEmbed.ownPath, (dir + "\\INST.EXE").c_str());
    StartBoxWatcher({IDOK, IDOK});
    EXPECT_EQ(0, ReadTrailer());
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(gEmbed.ownPath + std::string(" is invalid. The program has not been initialized, is "
                                           "corrupted, or has been improperly signed."),
              boxes[0].text);
}

TEST(EmbedDocument, APathThatDoesNotFitIsRefusedBeforeAnythingIsDeleted)
{
    // The document path would be cut at 255 characters to the name of a
    // file that exists: that file must survive.
    std::string dir = FreshDir("embed_long") + "\\" + std::string(150, 'd');
    CreateDirectoryA(dir.c_str(), NULL);
    memset(&gEmbed, 0, sizeof gEmbed);
    WriteFileBytes(dir + "\\INST.EXE", Blob(100, 3));
    strcpy(gEmbed.ownPath, (dir + "\\INST.EXE").c_str());
    strcpy(gEmbed.ownDir, dir.c_str());
    gEmbed.docLength = 10;
    std::string name = std::string(254 - dir.size(), 'n') + "tail.pdf";
    strcpy(gEmbed.docName, name.c_str());
    std::string cut = (dir + "\\" + name).substr(0, 255);
    WriteFileBytes(cut, "keep me");
    StartBoxWatcher({IDOK});
    EXPECT_EQ(0, ExtractDocument());
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Cannot write: " + dir + "\\" + name, boxes[0].text);
    EXPECT_EQ("keep me", ReadFileBytes(cut));
}

TEST(EmbedConsent, ABoxThatCannotBeShownIsNoConsent)
{
    HKEY h;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kViewerKey, 0, NULL, 0,
                                             KEY_ALL_ACCESS, NULL, &h, NULL));
    DWORD one = 1;
    RegSetValueExA(h, "TrustedMode", 0, REG_DWORD, (const BYTE *)&one, sizeof one);
    long result;
    {
        NoWindows refused;
        result = AdjustTrustPreference();
    }
    EXPECT_EQ(0, result) << "the run ends as after Cancel";
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(h, "TrustedMode", NULL, NULL, NULL, NULL))
        << "the restriction was lifted without consent";
    RegCloseKey(h);
    RegDeleteKeyA(HKEY_CURRENT_USER, kViewerKey);

    int closed;
    {
        NoWindows refused;
        closed = ConfirmCloseAcrobat();
    }
    EXPECT_EQ(0, closed) << "the viewer would be closed without consent";
}

TEST(EmbedAppPaths, TakesTheFullBufferAndAQuotedValue)
{
    memset(&gEmbed, 0, sizeof gEmbed);
    strcpy(gEmbed.plugName, "tarnw32.api");
    std::string dir = "C:\\" + std::string(159 - 3 - 13, 'r');
    std::string longest = dir + "\\AcroRd32.exe";  // 159 characters and the terminator
    ASSERT_EQ(159u, longest.size());
    SetDefault(HKEY_LOCAL_MACHINE, kReaderKey, longest);
    EXPECT_EQ(1, FindAcrobatPaths());
    EXPECT_EQ(longest, gEmbed.acrobatExecutable);
    EXPECT_EQ(dir + "\\plug_ins\\tarnw32.api", gEmbed.pluginTarget);

    SetDefault(HKEY_LOCAL_MACHINE, kReaderKey, longest + "x");
    EXPECT_EQ(0, FindAcrobatPaths()) << "a value that does not fit is none";

    SetDefault(HKEY_LOCAL_MACHINE, kReaderKey, "\"C:\\Program Files\\Reader\\AcroRd32.exe\"");
    EXPECT_EQ(1, FindAcrobatPaths());
    EXPECT_STREQ("C:\\Program Files\\Reader\\AcroRd32.exe", gEmbed.acrobatExecutable);
    EXPECT_STREQ("C:\\Program Files\\Reader\\plug_ins\\tarnw32.api", gEmbed.pluginTarget);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kReaderKey);
}
