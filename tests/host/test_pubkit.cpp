// The publisher's toolkit: packages and installers it builds read back as
// the programs read them, archives are reproducible and expand, and inspect
// names every kind of damage instead of crashing.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

#include "common/pe_image.h"
#include "embed/trailer.h"
#include "pubkit/examine.h"
#include "pubkit/package.h"
#include "pubkit/zip_writer.h"
#include "setup/payload/trailer.h"
#include "zip_fixture.h"

namespace {

void Put32(std::string &s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + i] = (char)(v >> (8 * i));
}

// A PE32 i386 GUI program of `size` bytes: headers, then one section that
// fills the rest. With a certificate table, its bytes are appended.
// Bytes deflate cannot shrink, so they are stored and stay findable.
std::string Noise(size_t n)
{
    std::string s(n, '\0');
    uint32_t x = 2463534242u;
    for (char &c : s) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = (char)x;
    }
    return s;
}

std::string MinimalPe(size_t size, const std::string &certificate = "")
{
    std::string s(size, 'x');
    memset(&s[0], 0, 0x200);
    s[0] = 'M';
    s[1] = 'Z';
    Put32(s, 0x3C, 0x40);
    memcpy(&s[0x40], "PE\0\0", 4);
    s[0x44] = 0x4C;  // i386
    s[0x45] = 0x01;
    s[0x46] = 1;     // one section
    s[0x54] = (char)0xE0;  // optional header size
    size_t opt = 0x58;
    s[opt] = 0x0B;  // PE32
    s[opt + 1] = 0x01;
    s[opt + 68] = 2;  // GUI
    Put32(s, opt + 92, 16);
    size_t section = opt + 0xE0;
    Put32(s, section + 16, (uint32_t)(size - 0x200));  // raw size
    Put32(s, section + 20, 0x200);                      // raw pointer
    if (!certificate.empty()) {
        Put32(s, opt + 96 + 4 * 8, (uint32_t)size);
        Put32(s, opt + 96 + 4 * 8 + 4, (uint32_t)certificate.size());
        s += certificate;
    }
    return s;
}

int32_t ReadString(void *ctx, uint64_t offset, void *buf, uint32_t n)
{
    const std::string *s = (const std::string *)ctx;
    if (offset >= s->size())
        return 0;
    size_t got = std::min<size_t>(n, s->size() - offset);
    memcpy(buf, s->data() + offset, got);
    return (int32_t)got;
}

int32_t ReadForPe(void *ctx, int64_t offset, void *buf, uint32_t n)
{
    return ReadString(ctx, (uint64_t)offset, buf, n);
}

// Examines bytes; returns the reason (empty when sound) and the report.
std::string Examine(const std::string &file, std::string *report = nullptr)
{
    ExamineSource src = {(void *)&file, (int64_t)file.size(), ReadString};
    char *text = nullptr;
    size_t len = 0;
    FILE *out = open_memstream(&text, &len);
    const char *why = ExaminePackage(&src, out);
    fclose(out);
    if (report != nullptr)
        *report = std::string(text, len);
    free(text);
    return why != nullptr ? why : "";
}

class Pubkit : public ::testing::Test {
protected:
    void SetUp() override
    {
        char tmpl[] = "/tmp/pubkit-test.XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(tmpl));
        dir = tmpl;
    }
    void TearDown() override
    {
        std::string cmd = "rm -rf '" + dir + "'";
        ASSERT_EQ(0, system(cmd.c_str()));
    }
    std::string Write(const std::string &rel, const std::string &data)
    {
        std::string path = dir + "/" + rel;
        for (size_t at = path.find('/', dir.size() + 1); at != std::string::npos;
             at = path.find('/', at + 1))
            mkdir(path.substr(0, at).c_str(), 0755);
        std::ofstream(path, std::ios::binary) << data;
        return path;
    }
    std::string Read(const std::string &path)
    {
        std::ifstream f(path, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    // A sample package: setup image, meter, a library, a folder as PACK.BOX.
    std::string Package()
    {
        Write("box/SETUP.INI", "DEFAULTDIR=C:\\BOOK\r\nPUBNAME=Sample\r\nR1=159,159,159,2,0,3\r\n"
                               "MAKEDIR=\\DOCS\r\nMAINFILE=book.pdf\r\nFoldertitle=\"Books\"\r\n");
        Write("box/LICENSE.TXT", std::string(3000, 'L'));
        Write("box/icons/book.ico", "icon");
        std::string setup = Write("setup.exe", MinimalPe(2048)), meter = Write("METER.DLL", "meter-bytes"),
                    dunzip = Write("DUNZIP32.DLL", MinimalPe(1024)), box = dir + "/box",
                    ini = dir + "/box/SETUP.INI", out = dir + "/SETUP.EXE";
        PackInputs in = {setup.c_str(), meter.c_str(), dunzip.c_str(), box.c_str(), ini.c_str(), out.c_str()};
        const char *why = PackSetup(&in);
        EXPECT_EQ(nullptr, why) << why;
        return Read(out);
    }
    std::string dir;
};

TEST(PeImage, FindsSectionsAndTheCertificateTable)
{
    std::string plain = MinimalPe(1536);
    PeFacts pe;
    ASSERT_EQ(nullptr, ReadPeFacts((const unsigned char *)plain.data(), plain.size(), 1536, &pe));
    EXPECT_EQ(0x14C, pe.machine);
    EXPECT_EQ(2, pe.subsystem);
    EXPECT_EQ(1536, pe.imageEnd);
    EXPECT_EQ(1536, PeDataEnd(&pe, 1536));

    std::string signedFile = MinimalPe(1536, std::string(100, 'c'));
    ASSERT_EQ(nullptr, ReadPeFacts((const unsigned char *)signedFile.data(), signedFile.size(),
                                   (int64_t)signedFile.size(), &pe));
    EXPECT_EQ(1536, pe.certOffset);
    EXPECT_EQ(1536, PeDataEnd(&pe, (int64_t)signedFile.size()));

    // A table that would reach past the file, or headers cut short, are refused.
    EXPECT_NE(nullptr, ReadPeFacts((const unsigned char *)signedFile.data(), signedFile.size(),
                                   1600, &pe));
    EXPECT_NE(nullptr, ReadPeFacts((const unsigned char *)plain.data(), 0x100, 1536, &pe));
    EXPECT_NE(nullptr, ReadPeFacts((const unsigned char *)"MZ", 2, 2, &pe));
}

TEST_F(Pubkit, FolderZipIsReproducibleAndExpandsToTheSameFiles)
{
    Write("f/b.txt", std::string(5000, 'b'));
    Write("f/a/inner.txt", "inner");
    Write("f/empty.txt", "");
    std::string noise = Noise(4000);
    Write("f/noise.bin", noise);
    std::string zips[2];
    for (std::string &z : zips) {
        std::string path = dir + "/out.zip";
        FILE *out = fopen(path.c_str(), "w+b");
        ZipWriteStats stats;
        ASSERT_EQ(nullptr, WriteFolderZip((dir + "/f").c_str(), out, &stats));
        fclose(out);
        EXPECT_EQ(4u, stats.members);
        z = Read(path);
    }
    EXPECT_EQ(zips[0], zips[1]);
    // Members in bytewise path order, the first one at offset 0.
    EXPECT_EQ(0u, zips[0].find("PK\3\4"));
    EXPECT_LT(zips[0].find("a/inner.txt"), zips[0].find("b.txt"));

    MemFs fs;
    fs.archive = zips[0];
    ZipStats stats;
    ASSERT_EQ(kZipDone, ExpandInMemory(&fs, &stats));
    EXPECT_EQ(0u, stats.corrupt);
    EXPECT_EQ(std::string(5000, 'b'), fs.files["b.txt"]);
    EXPECT_EQ("inner", fs.files["a/inner.txt"]);
    EXPECT_EQ("", fs.files["empty.txt"]);
    EXPECT_EQ(noise, fs.files["noise.bin"]);
}

TEST_F(Pubkit, FolderZipRefusesNamesWindowsCannotTake)
{
    Write("f/ok.txt", "ok");
    Write("f/what?.txt", "no");
    FILE *out = fopen((dir + "/out.zip").c_str(), "w+b");
    const char *why = WriteFolderZip((dir + "/f").c_str(), out, nullptr);
    fclose(out);
    ASSERT_NE(nullptr, why);
    EXPECT_NE(nullptr, strstr(why, "what?.txt")) << why;
}

TEST_F(Pubkit, PackageReadsBackAndShowsMembersAndPlan)
{
    std::string file = Package();
    PayloadSettings s = {};
    ASSERT_TRUE(DecodePayloadTrailer((const unsigned char *)file.data() + file.size() - 512, &s));
    EXPECT_EQ(2048 + 11, s.dunzipOffset);
    EXPECT_EQ(2048 + 11 + 1024, s.packOffset);
    EXPECT_STREQ("C:\\BOOK", s.destDir);
    EXPECT_STREQ("Sample", s.pubName);
    EXPECT_EQ(2, s.installMode);

    std::string report;
    EXPECT_EQ("", Examine(file, &report));
    EXPECT_NE(std::string::npos, report.find("ok  icons/book.ico")) << report;
    EXPECT_NE(std::string::npos, report.find("make folder      \\DOCS")) << report;
    EXPECT_NE(std::string::npos, report.find("group            \"Books\"")) << report;

    // A signature behind the data, with or without the zero bytes a signing
    // tool pads the data with, leaves the trailer where it was found.
    for (size_t pad : {0, 5}) {
        std::string signedFile = file + std::string(pad, '\0') + std::string(64, 's');
        Put32(signedFile, 0x58 + 96 + 32, (uint32_t)(file.size() + pad));
        Put32(signedFile, 0x58 + 96 + 36, 64);
        std::string signedReport;
        EXPECT_EQ("", Examine(signedFile, &signedReport)) << pad;
        EXPECT_NE(std::string::npos, signedReport.find("signature")) << signedReport;
        int64_t ends[kPeMaxDataEnds];
        // Zero bytes before the table may be padding or the trailer's own.
        ASSERT_LE(1 + (int)pad, PeDataEnds(ReadForPe, &signedFile, (int64_t)signedFile.size(), ends));
        EXPECT_EQ((int64_t)(file.size() + pad), ends[0]);
        EXPECT_EQ((int64_t)file.size(), ends[pad]);
    }
}

TEST_F(Pubkit, DamagedPackagesGiveAReasonAtEveryCut)
{
    std::string file = Package();
    for (size_t cut = 0; cut < file.size(); ++cut)
        EXPECT_NE("", Examine(file.substr(0, cut))) << "cut at " << cut;

}

TEST_F(Pubkit, ACorruptMemberIsNamed)
{
    Write("box/SETUP.INI", "PUBNAME=x\n");
    std::string noise = Noise(3000);
    Write("box/DATA.BIN", noise);
    std::string setup = Write("setup.exe", MinimalPe(1024)), meter = Write("METER.DLL", "m"),
                dunzip = Write("DUNZIP32.DLL", MinimalPe(1024)), box = dir + "/box",
                ini = dir + "/box/SETUP.INI", out = dir + "/SETUP.EXE";
    PackInputs in = {setup.c_str(), meter.c_str(), dunzip.c_str(), box.c_str(), ini.c_str(), out.c_str()};
    ASSERT_EQ(nullptr, PackSetup(&in));
    std::string file = Read(out);
    size_t at = file.find(noise.substr(100, 50));
    ASSERT_NE(std::string::npos, at);
    file[at] ^= 1;
    std::string why = Examine(file);
    EXPECT_NE(std::string::npos, why.find("DATA.BIN")) << why;
}

TEST_F(Pubkit, EmbedInstallersHaveTheBuildersLayoutAndNeverOverwriteAnInput)
{
    std::string image = Write("embed.exe", MinimalPe(1536)), doc = Write("Book.TXT", "document"),
                plugin = Write("tarnw32.api", "plug"), build = Write(
                    "tkbuild.txt", "PATH1=C:\\out\\DOC.EXE\r\npath2=C:\\out\\PLUG.EXE\r\n"
                                   "PATH3=C:\\out\\UPD.EXE\r\nMSG=Done.\r\nDEL=YES\r\n");
    mkdir((dir + "/out").c_str(), 0755);
    std::string outDir = dir + "/out";
    EmbedInputs in = {image.c_str(), build.c_str(), plugin.c_str(), doc.c_str(), 1, 1, outDir.c_str(), nullptr};
    ASSERT_EQ(nullptr, BuildEmbedInstallers(&in));

    struct Expect {
        const char *name;
        int32_t d, p;
        const char *docName, *plugName;
    } expected[] = {{"DOC.EXE", 1536, 1544, "book.pdf", "tarnw32.api"},
                    {"PLUG.EXE", 0, 1536, "", "tarnw32.api"},
                    {"UPD.EXE", 0, 0, "", ""}};
    for (const Expect &e : expected) {
        std::string file = Read(outDir + "/" + e.name), report;
        ASSERT_GE(file.size(), 512u) << e.name;
        EmbedFields f = {};
        ASSERT_TRUE(DecodeEmbedTrailer((const unsigned char *)file.data() + file.size() - 512, &f));
        EXPECT_EQ(e.d, f.docOffset) << e.name;
        EXPECT_EQ(e.p, f.plugOffset) << e.name;
        EXPECT_STREQ(e.docName, f.docName) << e.name;
        EXPECT_STREQ(e.plugName, f.plugName) << e.name;
        EXPECT_STREQ("Done.", f.closingMessage);
        EXPECT_STREQ("YES", f.selfDelete);
        EXPECT_EQ("", Examine(file, &report)) << e.name;
        for (size_t cut = 0; cut < file.size(); ++cut)
            EXPECT_NE("", Examine(file.substr(0, cut))) << e.name << " cut at " << cut;
    }

    // An output named like the document it carries is refused, not made.
    std::string selfBuild = Write("tk2.txt", "PATH1=C:\\x\\Book.TXT\r\n");
    EmbedInputs same = {image.c_str(), selfBuild.c_str(), plugin.c_str(), doc.c_str(), 0, 0,
                        dir.c_str(), nullptr};
    EXPECT_NE(nullptr, BuildEmbedInstallers(&same));
    EXPECT_EQ("document", Read(doc));
}

}  // namespace
