// Reading a packaged setup's trailer and building packages, in process.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "setup/payload/directory.h"
#include "setup/shell/state.h"
#include "state_test.h"
#include "wine_test_util.h"

namespace {

// A trailer assembled field by field, independent of the encoder.
std::string Trailer(const std::string &dir, const std::string &name, const std::string &dunzip,
                    const std::string &pack, const std::string &r1, const std::string &r2)
{
    std::string t(512, '\0');
    t.replace(0, 1 + dir.size(), "@" + dir);
    t.replace(128, name.size(), name);
    t.replace(256, dunzip.size(), dunzip);
    t.replace(320, pack.size(), pack);
    t.replace(416, r1.size(), r1);
    t.replace(464, r2.size(), r2);
    return t;
}

class PayloadDirectory : public StateTest {
protected:
    void SetUp() override
    {
        StateTest::SetUp();
        strcpy(gState.programDir, dir.c_str());
    }
    void UseOwnFile(const std::string &bytes)
    {
        std::string path = dir + "\\SETUP.EXE";
        WriteFileBytes(path, bytes);
        strcpy(gState.ownPath, path.c_str());
    }
    bool QuitPosted()
    {
        MSG msg;
        return PeekMessageA(&msg, NULL, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
    }
};

}  // namespace

TEST_F(PayloadDirectory, DecodesAPackagedFile)
{
    std::string body = Blob(9000, 'a');
    UseOwnFile(body + Trailer("C:\\BOOK", "A Sample Book", "5000 DUNZIP32.DLL",
                              "7000 PACK.BOX", "159,159,159,2,0,3", "000,064,128"));
    StartBoxWatcher({});
    EXPECT_EQ(1, ReadPayloadDirectory());
    EXPECT_EQ(0u, StopBoxWatcher().size());
    EXPECT_STREQ("C:\\BOOK", gState.destDir);
    EXPECT_STREQ("A Sample Book", gState.pubName);
    EXPECT_EQ(5000, gState.dunzipOffset);
    EXPECT_EQ(7000, gState.packOffset);
    EXPECT_EQ(159, gState.dialogRgb[2]);
    EXPECT_EQ(128, gState.backdropRgb[2]);
    EXPECT_EQ(2, gState.installMode);
    EXPECT_EQ(4, gState.copyBarShade);
    EXPECT_EQ(1, gState.expandBarShade);
    EXPECT_EQ(0, gState.cancelled);
}

TEST_F(PayloadDirectory, UnreadableAndShortFilesRaiseTheirAlerts)
{
    strcpy(gState.ownPath, (dir + "\\MISSING.EXE").c_str());
    StartBoxWatcher({});
    EXPECT_EQ(0, ReadPayloadDirectory());
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Alert", boxes[0].caption);
    EXPECT_EQ("Cannot read: " + dir + "\\MISSING.EXE.", boxes[0].text);
    EXPECT_EQ(1, gState.cancelled);
    EXPECT_TRUE(QuitPosted());

    gState.cancelled = 0;
    UseOwnFile(std::string(511, '@'));
    StartBoxWatcher({});
    EXPECT_EQ(0, ReadPayloadDirectory());
    boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("File: " + dir + "\\SETUP.EXE first must be initialized using Tarnwick PDF "
              "Publisher.",
              boxes[0].text);
    EXPECT_EQ(1, gState.cancelled);
}

TEST_F(PayloadDirectory, OffsetsOutsideTheFileAreNotInitialised)
{
    const char *cases[][2] = {
        {"-5 DUNZIP32.DLL", "100 PACK.BOX"},   // before the image
        {"300 DUNZIP32.DLL", "200 PACK.BOX"},  // PACK.BOX before DUNZIP32.DLL
        {"100 DUNZIP32.DLL", "1001 PACK.BOX"}, // past the trailer
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c[1]);
        gState.cancelled = 0;
        UseOwnFile(Blob(1000, 'x') + Trailer("C:\\B", "N", c[0], c[1], "", ""));
        StartBoxWatcher({});
        EXPECT_EQ(0, ReadPayloadDirectory());
        std::vector<SeenBox> boxes = StopBoxWatcher();
        ASSERT_EQ(1u, boxes.size());
        EXPECT_NE(std::string::npos, boxes[0].text.find("first must be initialized"));
        EXPECT_EQ(1, gState.cancelled);
        DrainQueue();
    }
}

TEST_F(PayloadDirectory, BareProgramBuildsAPackage)
{
    const std::string program = Blob(6000, 'P');
    const std::string meter = Blob(3000, 'M');
    const std::string dunzip = Blob(8192, 'D');  // a whole number of blocks
    const std::string pack = Blob(4097, 'Z');
    UseOwnFile(program);
    WriteFileBytes(dir + "\\mtest.exe", program);
    WriteFileBytes(dir + "\\METER.DLL", meter);
    WriteFileBytes(dir + "\\DUNZIP32.DLL", dunzip);
    WriteFileBytes(dir + "\\PACK.BOX", pack);
    std::string longName(200, 'N');
    WriteFileBytes(dir + "\\SETUP.INI",
                   "[Setup]\r\r\ndefaultdir=c:\\first\r\r\nDEFAULTDIR=C:\\BOOK\r\r\n"
                   "PubName=" + longName + "\r\r\nR1=159,159,159,2,0,3\r\r\n"
                   "R2=000,064,128,and a tail that is far too long for its field\r\r\n");
    StartBoxWatcher({});
    EXPECT_EQ(0, ReadPayloadDirectory()) << "builder mode ends the program";
    EXPECT_EQ(0u, StopBoxWatcher().size()) << "no message reports success";

    const int dunzipAt = 6000 + 3000, packAt = dunzipAt + 8192;
    std::string expected = program + meter + dunzip + pack +
                           Trailer("C:\\BOOK", longName.substr(0, 127),
                                   std::to_string(dunzipAt) + " DUNZIP32.DLL",
                                   std::to_string(packAt) + " PACK.BOX", "159,159,159,2,0,3",
                                   "000,064,128,and a tail that is far too long for");
    std::string built = ReadFileBytes(dir + "\\mtest.exe");
    ASSERT_EQ(expected.size(), built.size());
    EXPECT_TRUE(expected == built) << "package differs from the hand-assembled one";
}

// The bare program's last bytes are its own sections (relocations, say),
// which can start with the marker and read as offsets that fit: they are no
// trailer, and the program is the builder.
TEST_F(PayloadDirectory, MarkerInsideTheProgramImageIsNoTrailer)
{
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof self);
    std::string bin(self);
    bin = bin.substr(0, bin.rfind('\\'));
    bin = bin.substr(0, bin.rfind('\\')) + "\\bin\\setup.exe";
    std::string program = ReadFileBytes(bin);
    ASSERT_GT(program.size(), 4096u);
    program.replace(program.size() - 512, 512,
                    Trailer("C:\\B", "N", "100 DUNZIP32.DLL", "200 PACK.BOX", "", ""));
    UseOwnFile(program);
    StartBoxWatcher({});
    EXPECT_EQ(0, ReadPayloadDirectory());
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Cannot append", boxes[0].text) << "the builder finds no mtest.exe";
}

TEST_F(PayloadDirectory, BuilderFailuresAreReported)
{
    UseOwnFile(Blob(700, 'P'));
    StartBoxWatcher({});
    ReadPayloadDirectory();
    std::vector<SeenBox> boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("", boxes[0].caption);
    EXPECT_EQ("Cannot append", boxes[0].text);
    EXPECT_FALSE(FileExists(dir + "\\mtest.exe")) << "mtest.exe is never created";

    const std::string head = "program";
    WriteFileBytes(dir + "\\mtest.exe", head);
    WriteFileBytes(dir + "\\METER.DLL", "m");
    StartBoxWatcher({});
    ReadPayloadDirectory();
    boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Cannot read: DUNZIP32.DLL", boxes[0].text);
    EXPECT_EQ(head + "m", ReadFileBytes(dir + "\\mtest.exe")) << "the partial output stays";

    WriteFileBytes(dir + "\\mtest.exe", head);
    WriteFileBytes(dir + "\\DUNZIP32.DLL", "d");
    WriteFileBytes(dir + "\\PACK.BOX", "p");
    StartBoxWatcher({});
    ReadPayloadDirectory();
    boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Error", boxes[0].caption);
    EXPECT_EQ("Cannot read: SETUP.INI", boxes[0].text);
    EXPECT_EQ(head + "mdp", ReadFileBytes(dir + "\\mtest.exe"));

    DeleteFileA((dir + "\\METER.DLL").c_str());
    StartBoxWatcher({});
    ReadPayloadDirectory();
    boxes = StopBoxWatcher();
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Cannot read: Meter.DLL", boxes[0].text);
}
