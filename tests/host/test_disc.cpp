// Disc images: the names a CD-ROM holds as they are, the dates a publisher
// gives, images mastered through libisofs that read back with the same
// files and bytes, and images damaged or made hostile that are refused
// instead of read past their end.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "pubkit/disc.h"
#include "pubkit/disc_image.h"
#include "pubkit/disc_names.h"
#include "pubkit/output.h"

namespace {

// The faults of the entries, as "path: E|W text" lines.
std::vector<std::string> Faults(const std::vector<DiscEntry> &entries)
{
    std::vector<std::string> out;
    for (const DiscNameFault &f : DiscNameFaults(entries))
        out.push_back(entries[f.index].path + (f.error ? ": E " : ": W ") + f.text);
    return out;
}

int HasFault(const std::vector<std::string> &faults, const std::string &path, const char *word)
{
    for (const std::string &f : faults) {
        if (f.compare(0, path.size() + 2, path + ": ") == 0 && f.find(word) != std::string::npos)
            return 1;
    }
    return 0;
}

TEST(DiscNames, TheSamplesNamesPass)
{
    std::vector<DiscEntry> e = {{"SETUP.EXE", 0, 1}, {"AUTORUN.INF", 0, 1}, {"readme1st.txt", 0, 1},
                                {"tarnwsi.ini", 0, 1}, {"cover.bmp", 0, 1}, {"BOOK.ICO", 0, 1},
                                {"VIEWER", 1, 0}, {"VIEWER/rs405eng.exe", 0, 1}};
    EXPECT_TRUE(Faults(e).empty()) << Faults(e)[0];
}

TEST(DiscNames, WhatTheDiscWouldCutOrChangeIsAnError)
{
    std::string name31(27, 'n'), name64(60, 'j');
    std::vector<DiscEntry> e = {
        {name31 + ".txt", 0, 1},            // 31 characters: ISO 9660 level 2 cuts it
        {name64 + ".pdfx", 0, 1},           // 65: Joliet cuts it
        {"a:b.txt", 0, 1}, {"what?.txt", 0, 1}, {"semi;1", 0, 1}, {"tab\t.txt", 0, 1},
        {"dot.", 0, 1}, {"blank ", 0, 1},   // Windows drops the end
        {"CON", 0, 1}, {"aux.txt", 0, 1}, {"Lpt1.doc", 0, 1},
        {"bad\xff.txt", 0, 1},              // no UTF-8
        {"\xf0\x9f\x93\x96.txt", 0, 1},     // beyond U+FFFF
        {"over\xc0\xaf.txt", 0, 1},         // an overlong '/'
        {"Book.pdf", 0, 1}, {"BOOK.PDF", 0, 1},
        {"a b.txt", 0, 1}, {"a_b.txt", 0, 1},
        {"big.bin", 0, 0x100000000ull},
    };
    std::vector<std::string> f = Faults(e);
    EXPECT_TRUE(HasFault(f, name31 + ".txt", "ISO 9660 level 2 holds 30"));
    EXPECT_TRUE(HasFault(f, name64 + ".pdfx", "Joliet holds 64"));
    EXPECT_TRUE(HasFault(f, "a:b.txt", "':'"));
    EXPECT_TRUE(HasFault(f, "what?.txt", "'?'"));
    EXPECT_TRUE(HasFault(f, "semi;1", "';'"));
    EXPECT_TRUE(HasFault(f, "tab\t.txt", "U+0009"));
    EXPECT_TRUE(HasFault(f, "dot.", "drops"));
    EXPECT_TRUE(HasFault(f, "blank ", "drops"));
    EXPECT_TRUE(HasFault(f, "CON", "device"));
    EXPECT_TRUE(HasFault(f, "aux.txt", "device"));
    EXPECT_TRUE(HasFault(f, "Lpt1.doc", "device"));
    EXPECT_TRUE(HasFault(f, "bad\xff.txt", "UTF-8"));
    EXPECT_TRUE(HasFault(f, "\xf0\x9f\x93\x96.txt", "U+FFFF"));
    EXPECT_TRUE(HasFault(f, "over\xc0\xaf.txt", "UTF-8"));
    EXPECT_TRUE(HasFault(f, "BOOK.PDF", "only in case"));
    EXPECT_FALSE(HasFault(f, "Book.pdf", "only in case"));
    EXPECT_TRUE(HasFault(f, "a_b.txt", "A_B.TXT is that of a b.txt"));
    EXPECT_TRUE(HasFault(f, "big.bin", "4 GiB"));
    // All errors but the one name renamed (its twin is the error).
    for (const std::string &line : f)
        EXPECT_TRUE(line.find(": E ") != std::string::npos || line.compare(0, 8, "a b.txt:") == 0)
            << line;
    // A name of exactly the limits passes.
    std::vector<DiscEntry> limits = {{std::string(26, 'n') + ".txt", 0, 1},
                                     {std::string(31, 'd'), 1, 0},
                                     {std::string(31, 'd') + "/x.txt", 0, 1}};
    EXPECT_TRUE(Faults(limits).empty()) << Faults(limits)[0];
}

TEST(DiscNames, DepthAndPathLengthAreTheDiscs)
{
    std::vector<DiscEntry> e;
    std::string path;
    for (int i = 1; i <= 8; ++i) {
        path += (path.empty() ? "" : "/") + std::string("D") + std::to_string(i);
        e.push_back({path, 1, 0});
    }
    e.push_back({"D1/D2/D3/D4/D5/D6/D7/seven.txt", 0, 1});
    std::vector<std::string> f = Faults(e);
    EXPECT_TRUE(HasFault(f, path, "8 folders deep"));
    EXPECT_FALSE(HasFault(f, "D1/D2/D3/D4/D5/D6/D7", "deep"));
    EXPECT_FALSE(HasFault(f, "D1/D2/D3/D4/D5/D6/D7/seven.txt", "deep"));

    std::string dir(30, 'a');
    std::string longPath = dir + "/" + dir + "/" + dir + "/" + dir + "/" + dir + "/" + dir + "/" +
                           dir + "/" + std::string(30, 'f');
    std::vector<DiscEntry> deep = {{longPath, 0, 1}};
    EXPECT_TRUE(HasFault(Faults(deep), longPath, "Joliet holds 240"));
}

TEST(DiscNames, ReadersWithoutJolietSeeCapitalsAndUnderscores)
{
    EXPECT_EQ("README1ST.TXT", IsoLevel2Name("readme1st.txt", 0));
    EXPECT_EQ("READ_ME.TXT", IsoLevel2Name("Read Me.txt", 0));
    EXPECT_EQ("MY_BOOK_V2.PDF", IsoLevel2Name("my.book.v2.pdf", 0));
    EXPECT_EQ("CAF_.TXT", IsoLevel2Name("caf\xc3\xa9.txt", 0));
    EXPECT_EQ("SUB_DIR_V1", IsoLevel2Name("sub-dir.v1", 1));
    // Renamed only: a warning, which the image's read-back gives.
    std::vector<DiscEntry> e = {{"Read Me.txt", 0, 1}};
    std::vector<DiscNameFault> f = DiscNameFaults(e);
    ASSERT_EQ(1u, f.size());
    EXPECT_EQ(0, f[0].error);
}

TEST(DiscNames, LabelsAndDates)
{
    EXPECT_EQ(nullptr, VolumeLabelFault("THE_LIGHTHOUSE"));
    EXPECT_NE(nullptr, VolumeLabelFault(""));
    EXPECT_NE(nullptr, VolumeLabelFault("ABCDEFGHIJKLMNOPQ"));
    EXPECT_NE(nullptr, VolumeLabelFault("lower"));
    EXPECT_NE(nullptr, VolumeLabelFault("TWO WORDS"));
    EXPECT_EQ("THE_LIGHTHOUSE", VolumeLabelFrom("The Lighthouse Keeper"));
    EXPECT_EQ("A_B", VolumeLabelFrom("  a -- b!! "));
    EXPECT_EQ("ABCDEFGHIJKLMNOP", VolumeLabelFrom("abcdefghijklmnopqrstuvwxyz"));
    EXPECT_EQ("BOOK", VolumeLabelFrom("\xe6\x9c\xac"));
    EXPECT_EQ(nullptr, VolumeLabelFault(VolumeLabelFrom("caf\xc3\xa9 -- \xe6\x9c\xac").c_str()));

    EXPECT_EQ(315532800LL, ParseDiscDate("1980-01-01"));
    EXPECT_EQ(951782400LL + 3661, ParseDiscDate("2000-02-29T01:01:01"));
    for (const char *bad : {"2001-02-29", "1979-12-31", "2100-01-01", "2000-13-01", "2000-1-01",
                            "2000-01-01T24:00:00", "2000-01-01 00:00:00", "20000101", "2000-01-0x",
                            "", "2000-01-01T00:00:0"})
        EXPECT_EQ(-1, ParseDiscDate(bad)) << bad;
}

class DiscImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pubkit-disc-test-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
    }
    void TearDown() override
    {
        RemoveScratchTree(dir.c_str());
    }
    void Write(const std::string &name, const std::string &bytes)
    {
        std::ofstream(dir + "/" + name, std::ios::binary) << bytes;
    }
    std::string Read(const std::string &path)
    {
        std::ifstream f(path, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    // Masters m into dir/name; returns NULL or why not.
    const char *Master(DiscMaster *m, const std::string &name)
    {
        Output out;
        std::string target = dir + "/" + name;
        const char *why = OutputOpen(&out, target.c_str());
        if (why == NULL)
            why = MasterDiscImage(m, &out);
        if (why == NULL)
            why = OutputCommit(&out);
        OutputDiscard(&out);
        return why;
    }
    std::string dir;
};

std::string Pattern(size_t n, unsigned seed)
{
    std::string s(n, '\0');
    for (size_t i = 0; i < n; ++i)
        s[i] = (char)((seed + i * 7 + i / 251) & 255);
    return s;
}

TEST_F(DiscImageTest, ReadsBackItsFilesNamesAndBytes)
{
    Write("big.bin", Pattern(700000, 3));
    DiscMaster m;
    m.label = "TEST_DISC";
    m.when = 951782400;
    m.files = {{"SETUP.EXE", dir + "/big.bin", ""}, {"AUTORUN.INF", "", "[autorun]\r\nopen=SETUP.EXE\r\n"},
               {"readme1st.txt", "", "read me"}, {"VIEWER/sub-dir/x y.exe", "", "viewer"},
               {"empty.txt", "", ""}};
    ASSERT_EQ(nullptr, Master(&m, "a.iso"));
    std::string image = dir + "/a.iso";
    ASSERT_TRUE(IsDiscImage(image.c_str()));
    DiscImage d;
    ASSERT_EQ(nullptr, ReadDiscImage(image.c_str(), &d));
    EXPECT_EQ("TEST_DISC", d.label);
    EXPECT_TRUE(d.joliet);
    EXPECT_EQ(0u, d.size % 2048);
    std::string all = Read(image);
    std::map<std::string, std::string> got;
    for (const DiscImageFile &f : d.files) {
        if (!f.isDir)
            got[f.path] = all.substr(f.offset, f.size);
    }
    EXPECT_EQ(Pattern(700000, 3), got["SETUP.EXE"]);
    EXPECT_EQ("[autorun]\r\nopen=SETUP.EXE\r\n", got["AUTORUN.INF"]);
    EXPECT_EQ("read me", got["readme1st.txt"]);
    EXPECT_EQ("viewer", got["VIEWER/sub-dir/x y.exe"]);
    EXPECT_EQ(1u, got.count("empty.txt"));
    // What a reader without Joliet sees otherwise, each with its Joliet name.
    std::set<std::string> renamed(d.isoRenamed.begin(), d.isoRenamed.end());
    EXPECT_EQ(1u, renamed.count("VIEWER/SUB_DIR\tVIEWER/sub-dir"));
    EXPECT_EQ(1u, renamed.count("VIEWER/SUB_DIR/X_Y.EXE\tVIEWER/sub-dir/x y.exe"));
    EXPECT_EQ(2u, renamed.size());

    // The files laid out again are the files given.
    std::string out = dir + "/out";
    ASSERT_EQ(0, mkdir(out.c_str(), 0700));
    ASSERT_EQ(nullptr, ExtractDiscImage(image.c_str(), d, out.c_str()));
    EXPECT_EQ(Pattern(700000, 3), Read(out + "/SETUP.EXE"));
    EXPECT_EQ("viewer", Read(out + "/VIEWER/sub-dir/x y.exe"));

    // Mastered again from the same files, in another order: the same bytes.
    std::swap(m.files[0], m.files[3]);
    ASSERT_EQ(nullptr, Master(&m, "b.iso"));
    EXPECT_TRUE(Read(image) == Read(dir + "/b.iso"));
    // Another date: other bytes, and the date is the only change.
    m.when = 951782400 + 86400;
    ASSERT_EQ(nullptr, Master(&m, "c.iso"));
    EXPECT_FALSE(Read(image) == Read(dir + "/c.iso"));
    EXPECT_EQ(Read(image).size(), Read(dir + "/c.iso").size());
}

TEST_F(DiscImageTest, AFileThatCannotBeReadFailsTheImage)
{
    DiscMaster m;
    m.label = "TEST";
    m.when = 315532800;
    m.files = {{"SETUP.EXE", dir + "/missing.bin", ""}};
    EXPECT_NE(nullptr, Master(&m, "a.iso"));
    struct stat st;
    EXPECT_NE(0, stat((dir + "/a.iso").c_str(), &st));
}

// Images cut short or made to point past their end are refused, never read
// past it or laid out beyond what they hold.
TEST_F(DiscImageTest, DamagedAndHostileImagesAreRefused)
{
    Write("f.bin", Pattern(50000, 9));
    DiscMaster m;
    m.label = "TEST";
    m.when = 315532800;
    m.files = {{"SETUP.EXE", dir + "/f.bin", ""}, {"b.txt", "", "bee"}};
    ASSERT_EQ(nullptr, Master(&m, "a.iso"));
    std::string good = Read(dir + "/a.iso");
    DiscImage d;
    ASSERT_EQ(nullptr, ReadDiscImage((dir + "/a.iso").c_str(), &d));
    uint64_t setupAt = 0;
    for (const DiscImageFile &f : d.files)
        setupAt = f.path == "SETUP.EXE" ? f.offset : setupAt;
    ASSERT_NE(0u, setupAt);

    // Cut before SETUP.EXE's bytes end: refused as lying beyond the end.
    Write("cut.iso", good.substr(0, setupAt + 10000));
    EXPECT_NE(nullptr, ReadDiscImage((dir + "/cut.iso").c_str(), &d));
    // Cut at every 2 KiB up to the descriptors and tree: never read past.
    for (size_t n = 0; n < setupAt; n += 2048) {
        Write("cut.iso", good.substr(0, n));
        ReadDiscImage((dir + "/cut.iso").c_str(), &d);
    }
    EXPECT_FALSE(IsDiscImage((dir + "/f.bin").c_str()));

    // Every directory record of SETUP.EXE made to claim the whole image
    // twice over: the files would hold more than the image.
    std::string hostile = good;
    int patched = 0;
    for (size_t at = 0; at + 33 < hostile.size() && at < setupAt; ++at) {
        uint32_t lba = (uint32_t)(setupAt / 2048);
        unsigned char *p = (unsigned char *)&hostile[at];
        if (p[0] >= 33 && p[2] == (lba & 255) && p[3] == ((lba >> 8) & 255) && p[4] == 0 &&
            p[5] == 0 && p[10] == (50000 & 255) && p[11] == ((50000 >> 8) & 255)) {
            uint32_t big = (uint32_t)good.size() * 2;
            for (int i = 0; i < 4; ++i) {
                p[10 + i] = (unsigned char)(big >> (8 * i));
                p[17 - i] = (unsigned char)(big >> (8 * i));
            }
            ++patched;
        }
    }
    ASSERT_GE(patched, 1);
    Write("hostile.iso", hostile);
    const char *why = ReadDiscImage((dir + "/hostile.iso").c_str(), &d);
    ASSERT_NE(nullptr, why);
    EXPECT_NE(nullptr, strstr(why, "beyond the end")) << why;
}

}  // namespace
