// The publisher's toolkit: packages and installers it builds read back as
// the programs read them, archives are reproducible and expand, and inspect
// names every kind of damage instead of crashing.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "common/codepage.h"
#include "common/pe_image.h"
#include "embed/trailer.h"
#include "pubkit/book_codepage.h"
#include "pubkit/check.h"
#include "pubkit/check_script.h"
#include "pubkit/examine.h"
#include "pubkit/json.h"
#include "pubkit/output.h"
#include "pubkit/package.h"
#include "pubkit/unpack.h"
#include "pubkit/zip_layout.h"
#include "pubkit/zip_writer.h"
#include "setup/install/script_values.h"
#include "setup/payload/trailer.h"
#include "dib_fixture.h"
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

// A PE32 i386 library: MinimalPe with the DLL flag, its one section at
// address 0x1000 holding an export table, which names "dunzip" or "meter".
std::string MinimalDll(size_t size, const char *exported)
{
    std::string s = MinimalPe(size);
    s[0x56] = 0x02;  // characteristics: executable, 32-bit, DLL
    s[0x57] = 0x21;
    size_t opt = 0x58, section = opt + 0xE0;
    Put32(s, section + 12, 0x1000);  // the section's address
    Put32(s, opt + 96, 0x1000);      // the export table's
    Put32(s, opt + 100, 64);
    std::string table(64, '\0');
    Put32(table, 24, 1);        // one name
    Put32(table, 32, 0x1028);   // the name table
    Put32(table, 40, 0x1030);   // its one entry
    memcpy(&table[48], exported, strlen(exported) + 1);
    s.replace(0x200, table.size(), table);
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
    static const size_t kMeterSize = 1536;
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
    std::string Package(const std::string &setupImage = MinimalPe(2048))
    {
        Write("box/SETUP.INI", "DEFAULTDIR=C:\\BOOK\r\nPUBNAME=Sample\r\nR1=159,159,159,2,0,3\r\n"
                               "MAKEDIR=\\DOCS\r\nMAINFILE=book.pdf\r\nFoldertitle=\"Books\"\r\n");
        Write("box/LICENSE.TXT", std::string(3000, 'L'));
        Write("box/icons/book.ico", "icon");
        std::string setup = Write("setup.exe", setupImage),
                    meter = Write("METER.DLL", MinimalDll(kMeterSize, "meter")),
                    dunzip = Write("DUNZIP32.DLL", MinimalDll(1024, "dunzip")), box = dir + "/box",
                    ini = dir + "/box/SETUP.INI", out = dir + "/SETUP.EXE";
        PackInputs in = {setup.c_str(), meter.c_str(), dunzip.c_str(), box.c_str(), ini.c_str(), out.c_str()};
        const char *why = PackSetup(&in);
        EXPECT_EQ(nullptr, why) << why;
        return Read(out);
    }
    // Unpacks file into out; returns the reason (empty when sound).
    std::string Unpack(const std::string &file, const std::string &out, int members = 0,
                       std::string *report = nullptr)
    {
        char *text = nullptr;
        size_t len = 0;
        FILE *log = open_memstream(&text, &len);
        UnpackRequest r = {file.c_str(), out.c_str(), members, log};
        const char *why = UnpackFile(&r);
        fclose(log);
        if (report != nullptr)
            *report = std::string(text, len);
        free(text);
        return why != nullptr ? why : "";
    }
    // What pubkit pack makes again from an unpacked package.
    std::string Repack(const std::string &from)
    {
        std::string setup = from + "/setup.exe", meter = from + "/METER.DLL",
                    dunzip = from + "/DUNZIP32.DLL", box = from + "/PACK.BOX",
                    ini = from + "/SETUP.INI", out = dir + "/again.exe";
        PackInputs in = {setup.c_str(), meter.c_str(), dunzip.c_str(), box.c_str(), ini.c_str(),
                         out.c_str()};
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
        ZipSink sink = ZipFileSink(out);
        ASSERT_EQ(nullptr, WriteFolderZip((dir + "/f").c_str(), &sink, nullptr, nullptr, &stats));
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
    ZipSink sink = ZipFileSink(out);
    const char *why = WriteFolderZip((dir + "/f").c_str(), &sink, nullptr, nullptr, nullptr);
    fclose(out);
    ASSERT_NE(nullptr, why);
    EXPECT_NE(nullptr, strstr(why, "what?.txt")) << why;
}

TEST_F(Pubkit, PackageReadsBackAndShowsMembersAndPlan)
{
    std::string file = Package();
    PayloadSettings s = {};
    ASSERT_TRUE(DecodePayloadTrailer((const unsigned char *)file.data() + file.size() - 512, &s));
    EXPECT_EQ(2048 + kMeterSize, (size_t)s.dunzipOffset);
    EXPECT_EQ(2048 + kMeterSize + 1024, (size_t)s.packOffset);
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

// A PE checksum worked by hand: words added with end-around carry, then
// the length; an odd last byte counts as a word of its own.
TEST(PeImage, ChecksumFoldsCarriesAndAddsTheLength)
{
    const unsigned char words[] = {0xFF, 0xFF, 0x02, 0x00, 0x05};
    EXPECT_EQ(0x0002u + 0x0005u + 5u, PeChecksumEnd(PeChecksumAdd(0, words, 5), 5));
    uint32_t pieces = PeChecksumAdd(PeChecksumAdd(0, words, 4), words + 4, 1);
    EXPECT_EQ(PeChecksumEnd(PeChecksumAdd(0, words, 5), 5), PeChecksumEnd(pieces, 5));
}

TEST_F(Pubkit, UnpackedPackagesAndInstallersPackAgainToTheSameBytes)
{
    std::string file = Package(), report;
    std::string original = Write("SETUP.EXE", file);
    ASSERT_EQ("", Unpack(original, dir + "/un", 1, &report)) << report;
    EXPECT_NE(std::string::npos, report.find("round trip: the same bytes")) << report;
    EXPECT_TRUE(file == Repack(dir + "/un"));
    EXPECT_TRUE(MinimalPe(2048) == Read(dir + "/un/setup.exe"));
    EXPECT_EQ(std::string(3000, 'L'), Read(dir + "/un/pack/LICENSE.TXT"));
    EXPECT_EQ("icon", Read(dir + "/un/pack/icons/book.ico"));
    // The folder PACK.BOX expands into is a fresh one: nothing is written
    // over what a folder already holds.
    EXPECT_NE("", Unpack(original, dir + "/un", 1));

    std::string image = Write("embed.exe", MinimalPe(1536)), doc = Write("Story.TXT", "the story"),
                plugin = Write("tarnw32.api", "plug"),
                build = Write("tkbuild.txt", "PATH1=C:\\o\\DOC.EXE\r\nPATH2=C:\\o\\PLUG.EXE\r\n"
                                             "PATH3=C:\\o\\UPD.EXE\r\nMSG=Read on.\r\nDEL=YES\r\n");
    mkdir((dir + "/out").c_str(), 0755);
    std::string outDir = dir + "/out";
    EmbedInputs in = {image.c_str(), build.c_str(), plugin.c_str(), doc.c_str(), 1, 1,
                      outDir.c_str(), nullptr};
    ASSERT_EQ(nullptr, BuildEmbedInstallers(&in));
    for (const char *name : {"DOC.EXE", "PLUG.EXE", "UPD.EXE"}) {
        std::string from = dir + "/e-" + name, again = dir + "/again-" + name;
        ASSERT_EQ("", Unpack(outDir + "/" + name, from, 0, &report)) << report;
        EXPECT_NE(std::string::npos, report.find("round trip: the same bytes")) << report;
        mkdir(again.c_str(), 0755);
        // Only the parts an installer carries are there to give back.
        struct stat st;
        std::string docPath = from + "/story.pdf", plugPath = from + "/tarnw32.api";
        int hasDoc = stat(docPath.c_str(), &st) == 0, hasPlug = stat(plugPath.c_str(), &st) == 0;
        std::string tk = from + "/tkbuild.txt", img = from + "/embed.exe";
        EmbedInputs re = {img.c_str(), tk.c_str(), hasPlug ? plugPath.c_str() : nullptr,
                          hasDoc ? docPath.c_str() : nullptr, 1, 1, again.c_str(), nullptr};
        ASSERT_EQ(nullptr, BuildEmbedInstallers(&re)) << name;
        EXPECT_TRUE(Read(outDir + "/" + name) == Read(again + "/" + name)) << name;
        EXPECT_TRUE(MinimalPe(1536) == Read(img)) << name;
    }
    EXPECT_EQ("the story", Read(dir + "/e-DOC.EXE/story.pdf"));
}

TEST_F(Pubkit, ASignedPackageGivesBackTheImageThatWasSigned)
{
    // A bare program whose header carries its checksum, as the linker writes it.
    std::string bare = MinimalPe(2048);
    size_t checksumAt = 0x58 + 64;
    Put32(bare, checksumAt,
          PeChecksumEnd(PeChecksumAdd(0, (const unsigned char *)bare.data(), bare.size()),
                        bare.size()));
    std::string file = Package(bare);
    // Signing: padding to 8 bytes, the table, its entry and a new checksum.
    std::string signedFile = file + std::string((8 - file.size() % 8) % 8, '\0');
    size_t table = signedFile.size();
    signedFile += std::string(200, 'c');
    Put32(signedFile, 0x58 + 96 + 32, (uint32_t)table);
    Put32(signedFile, 0x58 + 96 + 36, 200);
    Put32(signedFile, checksumAt, 0x12345678);
    std::string report;
    ASSERT_EQ("", Unpack(Write("SIGNED.EXE", signedFile), dir + "/un", 0, &report)) << report;
    EXPECT_TRUE(bare == Read(dir + "/un/setup.exe"));
    EXPECT_NE(std::string::npos, report.find("round trip: not the same bytes")) << report;
    EXPECT_NE(std::string::npos, report.find("signed (certificate table of 200 bytes")) << report;
    EXPECT_TRUE(file == Repack(dir + "/un"));
}

TEST_F(Pubkit, UnpackNamesWhatOtherToolsAndDamageLeaveBehind)
{
    std::string file = Package(), report;
    // A file whose parts cannot be found leaves nothing behind.
    for (size_t cut : {(size_t)100, file.size() - 1}) {
        std::string out = dir + "/cut" + std::to_string(cut);
        EXPECT_NE("", Unpack(Write("cut.exe", file.substr(0, cut)), out));
        EXPECT_EQ(0, system(("test -z \"$(ls -A '" + out + "' 2>/dev/null)\"").c_str())) << cut;
    }

    // A trailer field holding bytes behind its text: written, but named.
    std::string odd = file;
    odd[odd.size() - 512 + 128 + 100] = 'x';
    ASSERT_EQ("", Unpack(Write("odd.exe", odd), dir + "/odd", 0, &report)) << report;
    EXPECT_NE(std::string::npos, report.find("publication name field")) << report;
    EXPECT_TRUE(file == Repack(dir + "/odd")) << "the builder's trailer, without the stray byte";

    // An installer whose document name the builder would never store.
    std::string image = MinimalPe(1536), record(512, '\0');
    EncodeEmbedTrailer((unsigned char *)&record[0], 1536, "BOOK.PDF", 1540, "tarnw32.api", "", "NO");
    ASSERT_EQ("", Unpack(Write("upper.exe", image + "book" + "plug" + record), dir + "/up", 0, &report));
    EXPECT_NE(std::string::npos, report.find("document name \"BOOK.PDF\" is not one")) << report;
    EXPECT_EQ("book", Read(dir + "/up/BOOK.PDF"));
    // A name that would leave the folder is not taken.
    EncodeEmbedTrailer((unsigned char *)&record[0], 1536, "../../x.pdf", 1540, "tarnw32.api", "", "NO");
    ASSERT_EQ("", Unpack(Write("escape.exe", image + "book" + "plug" + record), dir + "/esc", 0, &report));
    EXPECT_EQ("book", Read(dir + "/esc/document.pdf")) << report;

    // A member failing its CRC: everything else is written, and it is named.
    Write("box/DATA.BIN", Noise(3000));
    std::string damaged = Package();
    size_t at = damaged.find(Noise(3000).substr(100, 50));
    ASSERT_NE(std::string::npos, at);
    damaged[at] ^= 1;
    std::string why = Unpack(Write("bad.exe", damaged), dir + "/bad", 1);
    EXPECT_NE(std::string::npos, why.find("DATA.BIN")) << why;
    EXPECT_EQ(std::string(3000, 'L'), Read(dir + "/bad/pack/LICENSE.TXT"));
    struct stat st;
    EXPECT_NE(0, stat((dir + "/bad/pack/DATA.BIN").c_str(), &st));
    EXPECT_EQ(damaged.size() - 512 - (2048 + kMeterSize + 1024), Read(dir + "/bad/PACK.BOX").size());
}

// The check on one source folder with a fault of every kind, and on a
// sound one.
TEST_F(Pubkit, CheckFindsWhatSetupWouldRefuse)
{
    auto check = [&](const std::string &path, const char *medium, CheckCounts *counts) {
        char *text = nullptr;
        size_t len = 0;
        FILE *out = open_memstream(&text, &len);
        *counts = {0, 0, 0, 0, nullptr};
        const char *why = CheckPath(path.c_str(), medium, out, counts);
        fclose(out);
        std::string report(text, len);
        free(text);
        EXPECT_EQ(nullptr, why) << why;
        return report;
    };
    std::string embedRecord(512, '\0');
    EncodeEmbedTrailer((unsigned char *)&embedRecord[0], 1536, "book.pdf", 1540, "tarnw32.api",
                       "", "NO");
    std::string embed = MinimalPe(1536) + "book" + "plug" + embedRecord;
    std::string good = "DEFAULTDIR=C:\\BOOK\r\r\nPUBNAME=Book\r\r\nR1=159,159,159,0,0,3\r\r\n"
                       "R2=000,064,128\r\r\nFOLDERTITLE=\"Books\"\r\r\nICONTITLE=\"The Book\"\r\r\n"
                       "ICONFILE=BOOK.ICO\r\r\nMAINFILE=book.pdf\r\r\nMAKEDIR=\\DOCS\r\r\n"
                       "MOVEFILE=\\DOCS\\notes.txt\r\r\nFILE=book.pdf\r\r\n[Setup]\r\r\n";
    for (const char *f : {"LICENSE.TXT", "README.TXT", "BOOK.ICO", "UNINSTAL.ICO", "notes.txt"})
        Write(std::string("good/") + f, "x");
    Write("good/SETUP.INI", good);
    Write("good/EMBED.EXE", embed);
    CheckCounts counts;
    std::string report = check(dir + "/good", nullptr, &counts);
    EXPECT_EQ(0, counts.errors) << report;
    EXPECT_EQ(0, counts.warnings) << report;

    std::string bad = "DEFAULTDIR=C:\\" + std::string(130, 'D') + "\r\n"  // 1
                      "R2=0,64,128\r\n"                                     // 2
                      "FOLDERTITLE=\"A: B\"\r\n"                            // 3
                      "ICONTITLE=Book\r\n"                                  // 4
                      "ICONFILE=NONE.ICO\r\n"                               // 5
                      "MAINFILE=other.pdf\r\n"                              // 6
                      "PLUGN1=tarnw32.api\r\n"                              // 7
                      "PLUGIN2=" + std::string(70, 'p') + "\r\n"            // 8
                      "COPYFILE=\\" + std::string(100, 'c') + "\r\n"       // 9
                      "MOVEFILE=\\EBOOK\\book.pdf\r\n"                      // 10
                      "INSTALLER=C:\\rs405eng.exe\r\n"                      // 11
                      "wrifile=" + std::string(300, 'w') + "\r\n"           // 12
                      "FOLDERTITLE=(A: B)\r\n"                              // 13
                      "IconTitle=\"x|y\"\r\n";                              // 14
    Write("bad/SETUP.INI", bad);
    Write("bad/EMBED.EXE", embed);
    Write("cd/tarnwsi.ini", "[Tarnwick]\r\nBMPFILE = \"cover.bmp\"\r\n");
    Write("cd/COVER.BMP", "BMxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx");
    report = check(dir + "/bad", (dir + "/cd").c_str(), &counts);
    std::string ini = dir + "/bad/SETUP.INI:";
    for (const std::string &expected : {
             ini + "1: error: DEFAULTDIR= value is 133 characters: the trailer keeps 126",
             ini + "2: warning: R2=0,64,128 is read at fixed places",
             ini + "13: warning: Foldertitle= again (first on line 3)",
             ini + "14: warning: IconTitle= again (first on line 4)",
             ini + "13: warning: Foldertitle=(A: B) is not in double quotes: setup drops its "
                   "first and last characters, naming the group \"A: B\"",
             ini + "5: error: ICONFILE=NONE.ICO: PACK.BOX does not carry it",
             ini + "6: error: MAINFILE=other.pdf: not in the installation folder",
             ini + "7: warning: PLUGN1= is no key the programs read: the line is ignored (PLUGIN1=?)",
             ini + "8: error: PLUGIN2= value is 70 characters: the programs keep its first 63",
             ini + "9: error: COPYFILE= value is 101 characters: setup skips values over 99",
             ini + "10: error: MOVEFILE=\\EBOOK\\book.pdf: BOOK.PDF is not in the installation "
                   "folder when this line runs (EMBED.EXE writes it later",
             ini + "11: error: Installer=C:\\rs405eng.exe: not on the setup medium",
             ini + "12: error: the line is 308 characters long",
             ini + "13: error: the group name \"A: B\" is not one plain folder name",
             ini + "14: error: the main item's title \"x|y\" is not one plain file name",
             ini + " error: the group's Readme link opens README.TXT",
             ini + " error: PACK.BOX carries no LICENSE.TXT",
             dir + "/cd/COVER.BMP: error: setup refuses the background picture: \"cover.bmp is "
                   "not a Legitimate DIB File!\""})
        EXPECT_NE(std::string::npos, report.find(expected)) << expected << "\n" << report;
    EXPECT_EQ(14, counts.errors) << report;

    // pack's inputs: the same findings, from a PACK.BOX as from its folder.
    FILE *box = fopen((dir + "/bad.box").c_str(), "w+b");
    ZipSink sink = ZipFileSink(box);
    ASSERT_EQ(nullptr, WriteFolderZip((dir + "/bad").c_str(), &sink, nullptr, nullptr, nullptr));
    fclose(box);
    CheckCounts fromBox = {0, 0, 0, 0, nullptr};
    FILE *quiet = fopen("/dev/null", "w");
    std::string boxPath = dir + "/bad.box", iniPath = dir + "/bad/SETUP.INI", cd = dir + "/cd";
    PackCheckInputs inputs = {nullptr, nullptr, nullptr, boxPath.c_str(), iniPath.c_str(),
                              cd.c_str(), nullptr};
    ASSERT_EQ(nullptr, CheckPackInputs(&inputs, quiet, &fromBox));
    fclose(quiet);
    EXPECT_EQ(counts.errors, fromBox.errors);
    EXPECT_EQ(counts.warnings, fromBox.warnings);
}

// How the programs read the script's lines: CR CR LF and CR LF alike, 255
// characters at a time, nothing after a Ctrl-Z; and the folders the file
// operations need, made in order.
TEST_F(Pubkit, CheckReadsLinesAndRunsFileOperationsAsSetupDoes)
{
    for (const char *f : {"LICENSE.TXT", "EMBED.EXE", "notes.txt", "sub/deep.txt"})
        Write(std::string("b/") + f, "x");
    std::string exact = "PUBNAME=" + std::string(255 - 8, 'p');
    Write("b/SETUP.INI", "DEFAULTDIR=C:\\BOOK\r\r\n" + exact + "\r\r\n"   // 1, 2
                         "MAKEDIR=DOCS\r\n"                                    // 3
                         "MAKEDIR=\\SUB\\DEEPER\r\n"                          // 4
                         "MAKEDIR=\\A\\B\r\n"                                 // 5
                         "COPYFILE=\\EXTRA\\x.pdf\r\n"                         // 6
                         "MOVEFILE=\\SUB\\notes.txt\r\n"                       // 7
                         "MOVEFILE=\\SUB\\notes.txt\r\n"                       // 8
                         "\x1aPLUGN1=after the end\r\n");
    Write("b/EMBED.EXE", "no program");
    char *text = nullptr;
    size_t len = 0;
    FILE *out = open_memstream(&text, &len);
    CheckCounts counts = {0, 0, 0, 0, nullptr};
    ASSERT_EQ(nullptr, CheckPath((dir + "/b").c_str(), nullptr, out, &counts));
    fclose(out);
    std::string report(text, len), ini = dir + "/b/SETUP.INI:";
    free(text);
    for (const std::string &expected :
         {ini + "2: error: PUBNAME= value is 247 characters: the trailer keeps 127",
          ini + "3: error: MAKEDIR=DOCS: setup puts the value right behind the installation "
                "folder's path, making C:\\BOOKDOCS",
          ini + "5: error: MAKEDIR=\\A\\B: its parent folder is not there yet",
          ini + "6: error: COPYFILE=\\EXTRA\\x.pdf: the folder EXTRA is not made before this line",
          ini + "8: error: MOVEFILE=\\SUB\\notes.txt: NOTES.TXT is not in the installation folder",
          dir + "/b/EMBED.EXE: error: no embed installer (10 bytes: too short"})
        EXPECT_NE(std::string::npos, report.find(expected)) << expected << "\n" << report;
    EXPECT_EQ(std::string::npos, report.find(ini + "2: error: the line")) << "255 fit";
    EXPECT_EQ(std::string::npos, report.find(ini + "4:")) << "SUB comes with sub/deep.txt";
    EXPECT_EQ(std::string::npos, report.find(ini + "7:")) << report;
    EXPECT_EQ(std::string::npos, report.find("PLUGN1")) << "after Ctrl-Z nothing is read";
    EXPECT_EQ(6, counts.errors) << report;
}

// The lines of a script as the programs' ReadScriptLines gives them.
struct ProgramLine {
    long number;
    std::string text;
};

void TakeProgramLine(const char *line, long number, void *lines)
{
    ((std::vector<ProgramLine> *)lines)->push_back({number, line});
}

std::vector<ProgramLine> ProgramLines(const std::string &bytes)
{
    std::vector<ProgramLine> lines;
    FILE *f = fmemopen((void *)bytes.data(), bytes.size(), "rb");
    if (f == nullptr)
        return lines;
    ReadScriptLines(f, TakeProgramLine, &lines);
    fclose(f);
    return lines;
}

// The check reads SETUP.INI in the pieces setup reads it in, line for line,
// whatever the file's line ends, Ctrl-Z, NULs and line lengths: should one
// reader change, the two differ here. Each piece also knows whether it
// continues a long line and the whole line's length, which the check's
// findings of long lines read.
TEST(CheckScript, PiecesAreTheLinesSetupReads)
{
    const std::string x600 = "MAINFILE=" + std::string(591, 'x'),
                      crLate = std::string(100, 'c') + "\r" + std::string(199, 'd'),
                      nulLate = std::string(260, 'n') + std::string(1, '\0') + "after";
    const struct {
        const char *what;
        std::string bytes;
        std::vector<int> rest;
        std::vector<size_t> lengths;
    } scripts[] = {
        {"CR alone", "A=1\rB=2\nC=3\r", {0, 0}, {3, 3}},
        {"CR CR LF", "A=1\r\r\nB=2\r\n", {0, 0}, {3, 3}},
        {"Ctrl-Z mid-line", "A=1\r\nB=2\x1a" "C=3\r\nD=4\r\n", {0, 0}, {3, 3}},
        {"Ctrl-Z first", "\x1a" "A=1\r\n", {}, {}},
        {"NUL inside a line", std::string("A=1\0hidden\r\nB=2\n", 16), {0, 0}, {10, 3}},
        {"600 characters", x600 + "\r\nB=2\r\n", {0, 1, 1, 0}, {600, 600, 600, 3}},
        {"255 and its line end", std::string(255, 'y') + "\r\nZ=1", {0, 1, 0}, {255, 255, 3}},
        {"CR in the first piece of a long line", crLate + "\n", {0, 1}, {100, 100}},
        {"NUL in the second piece", nulLate + "\r\n", {0, 1}, {266, 266}},
        {"no final line end", "A=1\r\nB=2", {0, 0}, {3, 3}},
        {"only line ends", "\r\n\n\r\r\n", {0, 0, 0}, {0, 0, 0}},
        {"empty", "", {}, {}},
    };
    for (const auto &s : scripts) {
        std::vector<Piece> pieces = Pieces(s.bytes.data(), s.bytes.size());
        std::vector<ProgramLine> read = ProgramLines(s.bytes);
        ASSERT_EQ(read.size(), pieces.size()) << s.what;
        ASSERT_EQ(s.rest.size(), pieces.size()) << s.what;
        for (size_t i = 0; i < pieces.size(); ++i) {
            EXPECT_EQ(read[i].number, pieces[i].line) << s.what << ", piece " << i;
            EXPECT_EQ(read[i].text, pieces[i].text) << s.what << ", piece " << i;
            EXPECT_EQ(s.rest[i], pieces[i].rest) << s.what << ", piece " << i;
            EXPECT_EQ(s.lengths[i], pieces[i].lineLength) << s.what << ", piece " << i;
        }
    }
    // What the programs make of the long lines, spelt out.
    std::vector<Piece> p = Pieces(x600.data(), x600.size());
    ASSERT_EQ(3u, p.size());
    EXPECT_EQ(x600.substr(0, 255), p[0].text);
    EXPECT_EQ(std::string(90, 'x'), p[2].text);
    p = Pieces(crLate.data(), crLate.size());
    ASSERT_EQ(2u, p.size());
    EXPECT_EQ(std::string(100, 'c'), p[0].text) << "cut at the CR";
    EXPECT_EQ(std::string(45, 'd'), p[1].text) << "the rest of the line read as one";
    p = Pieces(nulLate.data(), nulLate.size());
    ASSERT_EQ(2u, p.size());
    EXPECT_EQ("nnnnn", p[1].text) << "cut at the NUL";
}

// A finished package: its PACK.BOX's members and SETUP.INI, its EMBED.EXE,
// and the disc it lies on, with setup's reader judging the picture.
TEST_F(Pubkit, CheckTakesAPackageWithTheDiscItLiesOn)
{
    std::string embedRecord(512, '\0');
    EncodeEmbedTrailer((unsigned char *)&embedRecord[0], 1536, "book.pdf", 1540, "tarnw32.api",
                       "", "NO");
    Write("box/EMBED.EXE", MinimalPe(1536) + "book" + "plug" + embedRecord);
    Write("box/README.TXT", "r");
    Write("box/BOOK.ICO", "i");
    Write("box/UNINSTAL.ICO", "i");
    Package();
    std::string package = dir + "/SETUP.EXE";
    auto check = [&](const char *medium, CheckCounts *counts) {
        char *text = nullptr;
        size_t len = 0;
        FILE *out = open_memstream(&text, &len);
        *counts = {0, 0, 0, 0, nullptr};
        EXPECT_EQ(nullptr, CheckPath(package.c_str(), medium, out, counts));
        fclose(out);
        std::string report(text, len);
        free(text);
        return report;
    };
    // The package's script (Foldertitle= "Books", MAINFILE=book.pdf) finds
    // its document in EMBED.EXE and its icon missing; no picture is no fault.
    CheckCounts counts;
    std::string report = check(nullptr, &counts);
    EXPECT_EQ(1, counts.errors) << report;
    EXPECT_NE(std::string::npos, report.find(package + ":SETUP.INI: error: the main item's title "
                                                       "\"\" is not one plain file name")) << report;
    EXPECT_NE(std::string::npos, report.find(package + ":SETUP.INI: warning: no ICONFILE=")) << report;

    // The picture tarnwsi.ini names beside the package, as setup reads it.
    Write("tarnwsi.ini", "[Other]\r\nBMPFILE=no.bmp\r\n[tarnwick]\r\n  bmpfile = Cover.bmp\r\n");
    DibRecipe sixteen;
    sixteen.bitCount = 16;
    Write("COVER.BMP", MakeDib(sixteen));
    report = check(nullptr, &counts);
    EXPECT_NE(std::string::npos, report.find(dir + "/COVER.BMP: error: setup refuses the background "
                                                   "picture: \"CreatePalette() Failed\"")) << report;
    DibRecipe cut;
    cut.bitCount = 24;
    cut.cutTo = 60;
    Write("COVER.BMP", MakeDib(cut));
    report = check(nullptr, &counts);
    EXPECT_NE(std::string::npos, report.find("COVER.BMP: warning: the file ends before its pixels"))
        << report;
    Write("COVER.BMP", MakeDib(DibRecipe()));
    report = check(nullptr, &counts);
    EXPECT_EQ(std::string::npos, report.find("COVER.BMP")) << report;
    remove((dir + "/COVER.BMP").c_str());
    report = check(nullptr, &counts);
    EXPECT_NE(std::string::npos, report.find("BMPFILE=Cover.bmp is not on the setup medium")) << report;
}

TEST_F(Pubkit, UnpackLeavesOutWhatNoBuilderAppends)
{
    std::string image = Write("embed.exe", MinimalPe(1536)), plugin = Write("tarnw32.api", "plug"),
                build = Write("tkbuild.txt", "PATH1=NULL\r\nPATH2=C:\\o\\P.EXE\r\nMSG=\r\nDEL=\r\n");
    EmbedInputs in = {image.c_str(), build.c_str(), plugin.c_str(), nullptr, 1, 0, dir.c_str(), nullptr};
    ASSERT_EQ(nullptr, BuildEmbedInstallers(&in));
    std::string installer = Read(dir + "/P.EXE"), report;
    // 2168 bytes behind the trailer: embed still finds it, 2680 from the end.
    std::string longer = installer + std::string(2168, 'z');
    ASSERT_EQ("", Unpack(Write("LONGER.EXE", longer), dir + "/l", 0, &report)) << report;
    EXPECT_NE(std::string::npos, report.find("2168 bytes behind the trailer")) << report;
    EXPECT_EQ("plug", Read(dir + "/l/tarnw32.api"));
    EXPECT_NE(std::string::npos, Read(dir + "/l/tkbuild.txt").find("PATH2=LONGER.EXE\r\n"));
    // What embed would refuse is refused here too, and nothing is written.
    std::string bare = MinimalPe(1536);
    EXPECT_NE("", Unpack(Write("BARE.EXE", bare), dir + "/bare"));
    struct stat st;
    EXPECT_NE(0, stat((dir + "/bare").c_str(), &st));
}

}  // namespace

namespace {

// The central directory's entries of an archive MakeZip made, and its end
// record, so that a test can repeat, move or miscount them.
struct Directory {
    std::string members;  // the local headers and data
    std::vector<std::string> entries;
    std::string end;
};

Directory Split(const std::string &zip)
{
    Directory d;
    size_t cd = zip.find("PK\1\2");
    d.members = zip.substr(0, cd);
    size_t end = zip.rfind("PK\5\6");
    for (size_t at = cd; at < end;) {
        size_t next = zip.find("PK\1\2", at + 4);
        if (next == std::string::npos || next > end)
            next = end;
        d.entries.push_back(zip.substr(at, next - at));
        at = next;
    }
    d.end = zip.substr(end);
    return d;
}

// The archive again from its parts, the end record counting count entries
// (-1: as many as there are).
std::string Join(const Directory &d, long count = -1)
{
    std::string cd;
    for (const std::string &e : d.entries)
        cd += e;
    std::string end = d.end;
    uint32_t n = count < 0 ? (uint32_t)d.entries.size() : (uint32_t)count;
    end[8] = end[10] = (char)n;
    end[9] = end[11] = (char)(n >> 8);
    Put32(end, 12, (uint32_t)cd.size());
    Put32(end, 16, (uint32_t)d.members.size());
    return d.members + cd + end;
}

int32_t ReadZipString(void *ctx, uint64_t offset, void *buf, uint32_t n)
{
    return ReadString(ctx, offset, buf, n);
}

std::string LayoutReason(const std::string &zip)
{
    ZipLayout layout;
    const char *why = ReadZipLayout(ReadZipString, (void *)&zip, zip.size(), &layout);
    return why != nullptr ? why : "";
}

}  // namespace

// What unzip -t refuses as a whole is refused before anything is expanded:
// members sharing bytes (one small archive would expand without end), a
// directory claiming more entries than it holds, sizes deflate cannot hold.
TEST(ZipLayout, RefusesWhatUnzipTestRefuses)
{
    std::string zip = MakeZip({{"BOOK.PDF", std::string(100000, 'b')}, {"b.txt", "tail"}});
    EXPECT_EQ("", LayoutReason(zip));

    Directory d = Split(zip);
    ASSERT_EQ(2u, d.entries.size());
    // Many entries over one member, as a zip bomb has them.
    Directory bomb = d;
    for (int i = 0; i < 500; ++i)
        bomb.entries.push_back(d.entries[0]);
    std::string why = LayoutReason(Join(bomb));
    EXPECT_NE(std::string::npos, why.find("overlap")) << why;
    // A member whose data, as recorded, runs over the next one's header.
    Directory inside = d;
    uint32_t packed = (uint32_t)(unsigned char)d.entries[0][20] |
                      (uint32_t)(unsigned char)d.entries[0][21] << 8;
    Put32(inside.entries[0], 20, packed + 10);
    why = LayoutReason(Join(inside));
    EXPECT_NE(std::string::npos, why.find("BOOK.PDF and b.txt overlap")) << why;

    // More entries than the directory's bytes can hold, and more than it has.
    why = LayoutReason(Join(d, 50));
    EXPECT_NE(std::string::npos, why.find("claims 50 entries")) << why;
    Directory padded = d;
    padded.entries.push_back(std::string(60, 'x'));
    why = LayoutReason(Join(padded, 3));
    EXPECT_NE(std::string::npos, why.find("claims 3 entries but holds 2")) << why;

    // A size no deflated stream of that length can have.
    std::string big = MakeZip({{"x.bin", std::string(10, 'x')}});
    Put32(big, big.find("PK\1\2") + 24, 0x7FFFFFFF);
    why = LayoutReason(big);
    EXPECT_NE(std::string::npos, why.find("more than deflate can hold")) << why;

    // A gap between members is no fault.
    Directory gap = d;
    gap.members.insert(gap.members.find("PK\3\4", 4), "some bytes");
    Put32(gap.entries[1], 42, (uint32_t)gap.members.find("PK\3\4", 4));
    EXPECT_EQ("", LayoutReason(Join(gap)));
}

// Every member setup will not have is named, by inspect, unpack and check,
// and fails them; the rest is still written.
TEST_F(Pubkit, MembersSetupWillNotHaveAreNamed)
{
    std::string longName = std::string(250, 'n') + ".txt";
    FixtureMember unknown = {"METHOD.BIN", "data"};
    unknown.method = 12;
    FixtureMember secret = {"SECRET.TXT", "data"};
    secret.encrypted = true;
    std::string zip = MakeZip({{"SETUP.INI", "PUBNAME=x\r\n"}, {"LICENSE.TXT", "l"}, unknown,
                               secret, {"../UP.TXT", "u"}, {longName, "l"}, {"Book.pdf", "b"},
                               {"BOOK.PDF", "B"}, {"docs", "d"}, {"DOCS/a.txt", "a"},
                               {"MOVED.TXT", "m"}});
    Directory d = Split(zip);
    Put32(d.entries.back(), 42, 3);  // a damaged offset: no local header there
    std::string box = Write("PACK.BOX", Join(d));
    std::string setup = Write("setup.exe", MinimalPe(2048)),
                meter = Write("METER.DLL", MinimalDll(kMeterSize, "meter")),
                dunzip = Write("DUNZIP32.DLL", MinimalDll(1024, "dunzip")),
                ini = Write("keys.ini", "DEFAULTDIR=C:\\BOOK\r\n"), out = dir + "/SETUP.EXE";
    PackInputs in = {setup.c_str(), meter.c_str(), dunzip.c_str(), box.c_str(), ini.c_str(),
                     out.c_str(), 0};
    ASSERT_EQ(nullptr, PackSetup(&in));
    const std::string faulty[] = {"METHOD.BIN: compressed by method 12", "SECRET.TXT: encrypted",
                            "../UP.TXT: its name leads outside",
                            longName + ": in C:\\BOOK its path is 262 characters",
                            "BOOK.PDF: Windows takes it for Book.pdf",
                            "docs: a folder of DOCS/a.txt has its name",
                            "MOVED.TXT: damaged: no local header"};

    std::string report, why = Examine(Read(out), &report);
    EXPECT_NE(std::string::npos, why.find("PACK.BOX member METHOD.BIN")) << why;
    EXPECT_NE(std::string::npos, why.find("and 6 more")) << why;
    EXPECT_NE(std::string::npos, report.find("ok  LICENSE.TXT")) << report;

    std::string unpacked;
    why = Unpack(out, dir + "/un", 1, &unpacked);
    EXPECT_NE(std::string::npos, why.find("PACK.BOX member METHOD.BIN")) << why;
    EXPECT_EQ("l", Read(dir + "/un/pack/LICENSE.TXT"));

    char *text = nullptr;
    size_t len = 0;
    FILE *stream = open_memstream(&text, &len);
    CheckCounts counts = {0, 0, 0, 0, nullptr};
    ASSERT_EQ(nullptr, CheckPath(out.c_str(), nullptr, stream, &counts));
    fclose(stream);
    std::string checked(text, len);
    free(text);
    for (const std::string &f : faulty) {
        EXPECT_NE(std::string::npos, unpacked.find("PACK.BOX member " + f)) << f << "\n" << unpacked;
        EXPECT_NE(std::string::npos, checked.find("error: PACK.BOX member " + f)) << f << "\n" << checked;
    }
    EXPECT_EQ(std::string::npos, checked.find("member LICENSE.TXT")) << checked;
}

// However many workers deflate and however little of a member they hold in
// memory, the archive is byte for byte the one a single worker makes.
TEST_F(Pubkit, FolderZipIsTheSameOnAnyNumberOfCores)
{
    std::string text;
    for (int i = 0; text.size() < 300000; ++i)
        text += "the keeper climbs the stair " + std::to_string(i % 97) + "\n";
    std::map<std::string, std::string> files = {
        {"empty", ""}, {"chunk.bin", Noise(65536)}, {"two chunks.txt", text.substr(0, 131072)},
        {"sub/text.txt", text}, {"sub/noise.bin", Noise(200000)}, {"sub/z.txt", "z"}};
    for (int i = 0; i < 40; ++i)
        files["many/" + std::to_string(i)] = text.substr(0, (size_t)i * 997);
    for (const auto &f : files)
        Write("f/" + f.first, f.second);
    auto zip = [&](int workers, size_t memory) {
        std::string path = dir + "/out.zip";
        FILE *out = fopen(path.c_str(), "wb");
        ZipSink sink = ZipFileSink(out);
        FolderZipOptions options = {workers, memory, dir.c_str()};
        ZipWriteStats stats;
        EXPECT_EQ(nullptr, WriteFolderZip((dir + "/f").c_str(), &sink, nullptr, &options, &stats));
        fclose(out);
        EXPECT_EQ(files.size(), stats.members);
        return Read(path);
    };
    std::string one = zip(1, 0);
    EXPECT_TRUE(one == zip(4, 0));
    // Held to 1000 bytes, members go through scratch files and stored ones
    // are read again.
    EXPECT_TRUE(one == zip(3, 1000));
    MemFs fs;
    fs.archive = one;
    ZipStats stats;
    ASSERT_EQ(kZipDone, ExpandInMemory(&fs, &stats));
    EXPECT_TRUE(files == fs.files);
    // The scratch files are gone with their descriptors.
    EXPECT_EQ(0, system(("test -z \"$(ls -A '" + dir + "' | grep -v -x -e f -e out.zip)\"").c_str()));
}

namespace {

// A PE32+ x86_64 GUI program: MinimalPe's layout with the 64-bit header.
std::string MinimalPe64(size_t size)
{
    std::string s(size, 'x');
    memset(&s[0], 0, 0x200);
    s[0] = 'M';
    s[1] = 'Z';
    Put32(s, 0x3C, 0x40);
    memcpy(&s[0x40], "PE\0\0", 4);
    s[0x44] = 0x64;  // x86_64
    s[0x45] = (char)0x86;
    s[0x46] = 1;
    s[0x54] = (char)0xF0;
    size_t opt = 0x58;
    s[opt] = 0x0B;  // PE32+
    s[opt + 1] = 0x02;
    s[opt + 68] = 2;
    Put32(s, opt + 108, 16);
    size_t section = opt + 0xF0;
    Put32(s, section + 16, (uint32_t)(size - 0x200));
    Put32(s, section + 20, 0x200);
    return s;
}

}  // namespace

// pack's three programs, each for what it must be.
TEST_F(Pubkit, PackChecksTheProgramsItCarries)
{
    Write("box/SETUP.INI", "PUBNAME=x\r\n");
    std::string setup = Write("setup.exe", MinimalPe(2048)),
                meter = Write("METER.DLL", MinimalDll(1024, "meter")),
                dunzip = Write("DUNZIP32.DLL", MinimalDll(1024, "dunzip")),
                wide = Write("setup64.exe", MinimalPe64(2048)), box = dir + "/box",
                ini = dir + "/box/SETUP.INI";
    auto check = [&](const std::string &s, const std::string &m, const std::string &d) {
        char *text = nullptr;
        size_t len = 0;
        FILE *out = open_memstream(&text, &len);
        CheckCounts counts = {0, 0, 0, 0, nullptr};
        PackCheckInputs in = {s.c_str(), m.c_str(), d.c_str(), box.c_str(), ini.c_str(),
                              nullptr, nullptr};
        EXPECT_EQ(nullptr, CheckPackInputs(&in, out, &counts));
        fclose(out);
        std::string report(text, len);
        free(text);
        return report;
    };
    std::string report = check(setup, meter, dunzip);
    EXPECT_EQ(std::string::npos, report.find("setup.exe:")) << report;
    EXPECT_EQ(std::string::npos, report.find(".DLL:")) << report;

    report = check(setup, dunzip, meter);
    EXPECT_NE(std::string::npos, report.find(dunzip + ": error: exports \"dunzip\": it is "
                                             "DUNZIP32.DLL (--meter and --dunzip swapped?)")) << report;
    EXPECT_NE(std::string::npos, report.find(meter + ": error: exports no \"dunzip\"")) << report;
    report = check(wide, meter, dunzip);
    EXPECT_NE(std::string::npos, report.find(wide + ": error: a 64-bit (x86_64) program")) << report;
    report = check(meter, setup, setup);
    EXPECT_NE(std::string::npos, report.find(meter + ": error: a library, not the setup program")) << report;
    EXPECT_NE(std::string::npos, report.find(setup + ": error: a program, not a library")) << report;
    // A package given for the bare program, as after an unpack mix-up.
    std::string package = Write("packaged.exe", Package());
    report = check(package, meter, dunzip);
    EXPECT_NE(std::string::npos, report.find(package + ": error: a packaged setup already")) << report;
}

// How the programs read the file SETUP.INI is saved as, and how many of its
// lines they take for keys.
TEST_F(Pubkit, CheckReadsSetupIniAsSavedAndCountsItsKeys)
{
    for (const char *f : {"LICENSE.TXT", "EMBED.EXE"})
        Write(std::string("b/") + f, "x");
    auto check = [&](const std::string &ini, CheckCounts *counts) {
        Write("b/SETUP.INI", ini);
        char *text = nullptr;
        size_t len = 0;
        FILE *out = open_memstream(&text, &len);
        *counts = {0, 0, 0, 0, nullptr};
        EXPECT_EQ(nullptr, CheckPath((dir + "/b").c_str(), nullptr, out, counts));
        fclose(out);
        std::string report(text, len);
        free(text);
        return report;
    };
    std::string name = dir + "/b/SETUP.INI:";
    CheckCounts counts;
    std::string plain = "DEFAULTDIR=C:\\BOOK\r\n; a comment\r\nPUBNAME=Book\r\nMAKEDIR=\\DOCS\r\n"
                        "FILE=book.pdf\r\n";
    std::string report = check(plain, &counts);
    EXPECT_EQ(5, counts.scriptLines);
    EXPECT_EQ(3, counts.keyLines) << "FILE= is the publisher's list, read by no program\n" << report;

    std::string utf16 = "\xFF\xFE";
    for (char c : plain)
        utf16 += std::string(1, c) + '\0';
    report = check(utf16, &counts);
    EXPECT_NE(std::string::npos, report.find(dir + "/b/SETUP.INI: error: saved as UTF-16")) << report;
    EXPECT_EQ(0, counts.keyLines) << report;
    report = check(utf16.substr(2), &counts);
    EXPECT_NE(std::string::npos, report.find("are zero: saved as UTF-16?")) << report;

    report = check("\xEF\xBB\xBF" + plain, &counts);
    EXPECT_NE(std::string::npos, report.find(name + "1: error: starts with a UTF-8 byte-order "
                                                    "mark, which the programs read as part of "
                                                    "line 1: its DEFAULTDIR= is not read")) << report;
    EXPECT_EQ(2, counts.keyLines) << report;

    report = check("DEFAULTDIR=C:\\BOOK\rPUBNAME=Book\rMAKEDIR=\\DOCS\r", &counts);
    EXPECT_NE(std::string::npos, report.find(name + "1: error: the line ends in CR alone (2 such "
                                                    "line ends in the file): the programs read on "
                                                    "to the next LF and cut at the CR, so PUBNAME= "
                                                    "on the line after it is not read")) << report;
    EXPECT_EQ(1, counts.scriptLines);
    EXPECT_EQ(1, counts.keyLines);

    report = check("DEFAULTDIR=C:\\BOOK\r\n\x1a\r\nPUBNAME=Book\r\n", &counts);
    EXPECT_NE(std::string::npos, report.find(name + "2: error: a Ctrl-Z ends the file for the "
                                                    "programs here: 1 line behind it is not read, "
                                                    "keys among them")) << report;
    report = check(plain + "\x1a", &counts);
    EXPECT_EQ(std::string::npos, report.find("Ctrl-Z")) << "a last Ctrl-Z hides nothing";

    report = check("PUBNAME=Caf\xC3\xA9 \x81\r\n", &counts);
    EXPECT_NE(std::string::npos, report.find(name + "1: warning: holds UTF-8 text (1 character)")) << report;
    EXPECT_NE(std::string::npos, report.find(name + "1: warning: byte 0x81 is no character of "
                                                    "code page 1252")) << report;
}

// embed's builder keeps only the start of a long closing message, DEL=
// value or document name, and says so.
TEST_F(Pubkit, EmbedNamesEachValueItCuts)
{
    std::string message(70, 'm');
    std::string image = Write("embed.exe", MinimalPe(1536)),
                doc = Write(std::string(130, 'd') + ".TXT", "document"),
                build = Write("tkbuild.txt", "PATH1=C:\\o\\DOC.EXE\r\nMSG=" + message +
                                                 "\r\nDEL=NEVER\r\n");
    mkdir((dir + "/out").c_str(), 0755);
    std::string outDir = dir + "/out";
    char *text = nullptr;
    size_t len = 0;
    FILE *warnings = open_memstream(&text, &len);
    EmbedInputs in = {image.c_str(), build.c_str(), nullptr, doc.c_str(), 0, 0, outDir.c_str(),
                      nullptr, warnings};
    EXPECT_NE(nullptr, BuildEmbedInstallers(&in)) << "no plug-in for the document installer";
    std::string plugin = Write("tarnw32.api", "plug");
    in.plugin = plugin.c_str();
    ASSERT_EQ(nullptr, BuildEmbedInstallers(&in));
    fclose(warnings);
    std::string said(text, len);
    free(text);
    for (const std::string &expected :
         {"MSG= value is 70 characters: the installer keeps its first 50, \"" +
              message.substr(0, 50) + "\"",
          std::string("DEL= value is 5 characters: the installer keeps its first 3, \"NEV\""),
          std::string("the document's name is 134 characters: the installer keeps 117")})
        EXPECT_NE(std::string::npos, said.find(expected)) << expected << "\n" << said;
    std::string file = Read(outDir + "/DOC.EXE");
    EmbedFields f = {};
    ASSERT_TRUE(DecodeEmbedTrailer((const unsigned char *)file.data() + file.size() - 512, &f));
    EXPECT_EQ(message.substr(0, 50), f.closingMessage);
    EXPECT_EQ(117u, strlen(f.docName));
}

// The plan opens the book at the end only as setup would: for an
// AUTOLAUNCH value longer than two characters.
TEST(InspectPlan, OpensTheBookOnlyAsSetupDoes)
{
    auto plan = [](const std::string &script) {
        char *text = nullptr;
        size_t len = 0;
        FILE *out = open_memstream(&text, &len);
        DescribePlan(script, out);
        fclose(out);
        std::string s(text, len);
        free(text);
        return s;
    };
    const std::string main = "MAINFILE=book.pdf\r\n";
    EXPECT_NE(std::string::npos, plan(main + "AUTOLAUNCH=NO\r\n").find("nothing opened at the end"));
    EXPECT_NE(std::string::npos, plan(main + "AUTOLAUNCH=YES\r\n").find("open the main item"));
    EXPECT_NE(std::string::npos, plan(main + "AUTOLAUNCH=NOPE\r\n").find("open the main item"));
    std::string none = plan(main);
    EXPECT_EQ(std::string::npos, none.find("open the main item")) << none;
    EXPECT_EQ(std::string::npos, none.find("nothing opened")) << none;
}

// An output replaces its target only when whole, keeps what the earlier
// output was (its mode; a link to it stays a link), and is refused when it
// is one of the inputs, however its path is spelt.
TEST_F(Pubkit, OutputsReplaceWholeAndNeverAnInput)
{
    std::string input = Write("in.bin", "input"), old = Write("old.exe", "earlier");
    ASSERT_EQ(0, chmod(old.c_str(), 0750));
    ASSERT_EQ(0, link(input.c_str(), (dir + "/hard.bin").c_str()));
    ASSERT_EQ(0, symlink("in.bin", (dir + "/soft.bin").c_str()));
    const char *inputs[] = {nullptr, input.c_str()};
    for (const std::string &same : {dir + "/./in.bin", dir + "/hard.bin", dir + "/soft.bin",
                                    dir + "/../" + dir.substr(dir.rfind('/') + 1) + "/in.bin"})
        EXPECT_NE(nullptr, RefuseInputAsOutput(same.c_str(), inputs, 2)) << same;
    EXPECT_NE(nullptr, RefuseInputAsOutput(dir.c_str(), inputs, 2)) << "a folder";
    EXPECT_EQ(nullptr, RefuseInputAsOutput(old.c_str(), inputs, 2));
    EXPECT_EQ(nullptr, RefuseInputAsOutput((dir + "/new.exe").c_str(), inputs, 2));

    // Discarded: the earlier output as it was, and no temporary file.
    Output out;
    ASSERT_EQ(nullptr, OutputOpen(&out, old.c_str()));
    ASSERT_TRUE(OutputWrite(&out, "half", 4));
    OutputDiscard(&out);
    EXPECT_EQ("earlier", Read(old));
    EXPECT_EQ(0, system(("test \"$(ls -A '" + dir + "' | tr '\\n' ' ')\" = "
                         "'hard.bin in.bin old.exe soft.bin '").c_str()));

    // Committed: the new bytes, the old mode, the digest of what was written.
    ASSERT_EQ(nullptr, OutputOpen(&out, old.c_str()));
    ASSERT_TRUE(OutputWrite(&out, "a", 1) && OutputWrite(&out, "bc", 2));
    char sha[65];
    OutputSha256(&out, sha);
    EXPECT_STREQ("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", sha);
    ASSERT_EQ(nullptr, OutputCommit(&out));
    EXPECT_EQ("abc", Read(old));
    struct stat st;
    ASSERT_EQ(0, stat(old.c_str(), &st));
    EXPECT_EQ(0750u, st.st_mode & 07777);

    // Through a link: the file it names is replaced, the link stays.
    ASSERT_EQ(0, symlink("old.exe", (dir + "/current.exe").c_str()));
    ASSERT_EQ(nullptr, OutputOpen(&out, (dir + "/current.exe").c_str()));
    ASSERT_TRUE(OutputWrite(&out, "newer", 5));
    ASSERT_EQ(nullptr, OutputCommit(&out));
    ASSERT_EQ(0, lstat((dir + "/current.exe").c_str(), &st));
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ("newer", Read(old));

    // No file name, or a folder, is no output.
    EXPECT_NE(nullptr, OutputOpen(&out, ""));
    EXPECT_NE(nullptr, OutputOpen(&out, (dir + "/").c_str()));
    EXPECT_NE(nullptr, OutputOpen(&out, dir.c_str()));
}

// ---- the book's code page ----

namespace {

// Japanese names in code page 932: 表 ends in the trail byte "\", ポ in
// "|", ビ in the letter "r" (コ is the same lead byte with "R").
const char kHyo[] = "\x95\x5C", kPo[] = "\x83\x7C", kBi[] = "\x83\x72", kKo[] = "\x83\x52";
const std::string kPoster = std::string(kPo) + "\x83X\x83^\x81[";  // ポスター
const std::string kVideo = std::string(kBi) + "\x83\x66\x83I";     // ビデオ
const std::string kBook = "\x96\x7B";                              // 本

// Runs what it is given with the book's code page chosen, and leaves none
// chosen, whatever happens.
class BookPage : public Pubkit {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(PrepareBookCodePages()) << "no C.UTF-8 locale: case is ASCII's only";
        Pubkit::SetUp();
    }
    void TearDown() override
    {
        UseBookCodePage(0);
        Pubkit::TearDown();
    }
    std::string Zip(const std::string &folder, std::string *why)
    {
        std::string path = dir + "/out.zip";
        FILE *out = fopen(path.c_str(), "w+b");
        ZipSink sink = ZipFileSink(out);
        const char *failed = WriteFolderZip((dir + "/" + folder).c_str(), &sink, nullptr, nullptr,
                                            nullptr);
        fclose(out);
        *why = failed != nullptr ? failed : "";
        return Read(path);
    }
};

std::string CheckReport(const char *path, CheckCounts *counts, std::string *json = nullptr)
{
    char *text = nullptr;
    size_t len = 0;
    FILE *out = open_memstream(&text, &len);
    std::vector<CheckFinding> findings;
    *counts = {0, 0, 0, 0, json != nullptr ? &findings : nullptr};
    EXPECT_EQ(nullptr, CheckPath(path, nullptr, out, counts));
    if (json != nullptr)
        CheckJson(out, path, nullptr, counts, findings);
    fclose(out);
    std::string s(text, len);
    free(text);
    if (json != nullptr)
        *json = s;
    return s;
}

}  // namespace

// The folder names its files in UTF-8; the archive stores each name in the
// book's code page, which DUNZIP32.DLL on that Windows expands under the
// same names, or refuses it, naming it: never bytes that read otherwise.
TEST_F(BookPage, FolderNamesAreStoredInTheBooksCodePage)
{
    Write("f/本.PDF", "book");
    Write("f/表/ポスター.txt", "poster");
    Write("f/ビデオ.txt", "video");
    Write("f/README.TXT", "readme");
    std::string why, box = Zip("f", &why);
    EXPECT_NE(std::string::npos, why.find("f/ビデオ.txt: a name outside ASCII")) << why
        << "the first in bytewise order, whatever the folder's own";
    EXPECT_NE(std::string::npos, why.find("--codepage")) << why;

    ASSERT_EQ(nullptr, UseBookCodePage(932));
    box = Zip("f", &why);
    ASSERT_EQ("", why);
    EXPECT_EQ(std::string::npos, box.find("\xE6\x9C\xAC")) << "UTF-8 bytes of 本 stored";
    MemFs fs;
    fs.archive = box;
    ZipStats stats;
    ASSERT_EQ(kZipDone, ExpandInMemory(&fs, &stats));
    std::map<std::string, std::string> want = {{kBook + ".PDF", "book"},
                                               {std::string(kHyo) + "/" + kPoster + ".txt", "poster"},
                                               {kVideo + ".txt", "video"},
                                               {"README.TXT", "readme"}};
    EXPECT_EQ(want, fs.files);

    // A character the page lacks, one iconv would store as another (the
    // yen sign as "\", a separator), a name in no UTF-8: refused, named.
    for (const auto &bad : std::map<std::string, std::string>{
             {"café.txt", "f/café.txt: é is no character of code page 932"},
             {"¥.txt", "f/¥.txt: ¥ is no character of code page 932 (stored, it would read as \"\\\")"},
             {"caf\xE9.txt", "f/caf\\xe9.txt: the name is not UTF-8 (byte 0xE9)"}}) {
        std::string path = Write("f/" + bad.first, "x");
        Zip("f", &why);
        EXPECT_NE(std::string::npos, why.find(bad.second)) << why;
        unlink(path.c_str());
    }
    ASSERT_EQ(nullptr, UseBookCodePage(1252));
    Write("g/café.txt", "x");
    box = Zip("g", &why);
    ASSERT_EQ("", why);
    EXPECT_NE(std::string::npos, box.find("caf\xE9.txt"));

    // ASCII names: the same bytes whatever the code page, or none.
    Write("a/SETUP.INI", "PUBNAME=x\r\n");
    Write("a/docs/Book.pdf", std::string(3000, 'b'));
    std::string plain[3];
    const unsigned pages[3] = {0, 932, 1252};
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(nullptr, UseBookCodePage(pages[i]));
        plain[i] = Zip("a", &why);
        EXPECT_EQ("", why);
    }
    EXPECT_EQ(plain[0], plain[1]);
    EXPECT_EQ(plain[0], plain[2]);
}

// Names are one file where Windows on that system takes them for one: case
// through Unicode (full-width letters, the two codes of Ⅰ, accented letters
// of 1252), never a trail byte that looks like a letter. The lower case
// embed's builder stores the document under is CharLowerA's.
TEST_F(BookPage, NamesAreJudgedAsWindowsJudgesThem)
{
    auto collide = [](const std::string &a, const std::string &b) {
        return !WindowsNameFaults({a, b}, "C:\\BOOK").empty();
    };
    ASSERT_EQ(nullptr, UseBookCodePage(932));
    EXPECT_FALSE(collide(std::string(kBi) + ".txt", std::string(kKo) + ".txt")) << "ビ is no コ";
    EXPECT_TRUE(collide("\x82\x81.txt", "\x82\x60.TXT")) << "ａ and Ａ";
    EXPECT_TRUE(collide("\x87\x54", "\xFA\x4A")) << "Ⅰ in NEC's and IBM's rows";
    EXPECT_TRUE(collide(std::string(kHyo) + "/a.pdf", kHyo)) << "a folder 表 and a file 表";
    EXPECT_FALSE(collide(std::string(kHyo) + "/a.pdf", "\x95")) << "表's trail byte is no separator";
    EXPECT_EQ("\x82\x81\x82\x82" + kBook + ".txt", LowerAsWindows("\x82\x60\x82\x61" + kBook + ".TXT"));
    EXPECT_EQ(std::string(kKo) + "x", LowerAsWindows(std::string(kKo) + "X"));
    ASSERT_EQ(nullptr, UseBookCodePage(0));
    EXPECT_TRUE(collide("caf\xE9", "CAF\xC9")) << "1252 when none is named";
    EXPECT_TRUE(collide("\xFF", "\x9F")) << "ÿ and Ÿ";

    EXPECT_EQ(nullptr, ChooseBookCodePage("cp936"));
    EXPECT_EQ(936u, BookCodePage());
    EXPECT_EQ(936u, CurrentCodePage()) << "the code-page layer reads 936 too";
    for (const char *unknown : {"437", "932x", "", "cp", "65001"}) {
        const char *why = ChooseBookCodePage(unknown);
        ASSERT_NE(nullptr, why) << unknown;
        EXPECT_NE(nullptr, strstr(why, kKnownCodePages)) << why;
    }
    EXPECT_EQ(936u, BookCodePage()) << "a refused page changes nothing";
}

// check reads the folder's names and SETUP.INI as setup on that Windows
// reads them: a trail byte "\" splits no path, a trail letter is no
// letter; a script saved as UTF-8, or holding bytes the page lacks, is
// warned about; findings show the book's text in UTF-8.
TEST_F(BookPage, CheckReadsTheBookInItsCodePage)
{
    Write("b/LICENSE.TXT", "l");
    Write("b/README.TXT", "r");
    Write("b/表/ポスター.PDF", "p");
    Write("b/ビデオ.PDF", "v");
    const std::string head = "DEFAULTDIR=C:\\BOOK\r\nMAINFILE=" + std::string(kHyo) + "\\" + kPoster +
                             ".PDF\r\nFoldertitle=\"" + kVideo + "\"\r\nIconTitle=\"" + kHyo + "\"\r\n";
    Write("b/SETUP.INI", head + "MOVEFILE=\\" + kHyo + "\\" + kVideo + ".PDF\r\n");
    ASSERT_EQ(nullptr, UseBookCodePage(932));
    CheckCounts counts;
    std::string report = CheckReport((dir + "/b").c_str(), &counts);
    EXPECT_EQ(std::string::npos, report.find("MOVEFILE")) << report;
    EXPECT_EQ(std::string::npos, report.find("MAINFILE")) << report;
    EXPECT_EQ(std::string::npos, report.find("title")) << report;
    EXPECT_EQ(std::string::npos, report.find("no character")) << report;

    // コデオ is not ビデオ, whatever a byte-wise upper case makes of them.
    Write("b/SETUP.INI", head + "MOVEFILE=\\" + kHyo + "\\" + kKo + "\x83\x66\x83I.PDF\r\n");
    report = CheckReport((dir + "/b").c_str(), &counts);
    EXPECT_NE(std::string::npos, report.find("SETUP.INI:5: error: MOVEFILE=\\表\\コデオ.PDF: コデオ.PDF "
                                              "is not in the installation folder")) << report;

    // Saved as UTF-8: warned, with what the programs show. A Shift_JIS run
    // that happens to look like UTF-8 (隋ア, E9 9A 83 41) is none.
    Write("b/SETUP.INI", "DEFAULTDIR=C:\\BOOK\r\nPUBNAME=本の表\r\n");
    report = CheckReport((dir + "/b").c_str(), &counts);
    EXPECT_NE(std::string::npos, report.find("SETUP.INI:2: warning: holds UTF-8 text (3 characters): "
                                              "the programs read it in code page 932, so \"本\" shows "
                                              "as 2 characters (\"譛ｬ\")")) << report;
    Write("b/SETUP.INI", "DEFAULTDIR=C:\\BOOK\r\nPUBNAME=\xE9\x9A\x83\x41\r\nR1=\x85\x40\r\n");
    std::string json;
    report = CheckReport((dir + "/b").c_str(), &counts, &json);
    EXPECT_EQ(std::string::npos, json.find("UTF-8")) << json;
    EXPECT_NE(std::string::npos, json.find("\"line\": 3, \"severity\": \"warning\", \"text\": \"bytes "
                                            "0x85 0x40 are no character of code page 932")) << json;

    // Without the code page, the folder's names are refused as pack would.
    ASSERT_EQ(nullptr, UseBookCodePage(0));
    report = CheckReport((dir + "/b").c_str(), &counts);
    EXPECT_NE(std::string::npos, report.find("a name outside ASCII")) << report;
    EXPECT_EQ(1, counts.errors) << report;
}

// A package made with the code page reads back in UTF-8: inspect's names,
// its JSON, the files unpack writes, and the command it names packs the
// same bytes again. Without the code page, unpack writes no member at all
// rather than names the terminal and the next zip would garble.
TEST_F(BookPage, PackagesReadBackInUtf8)
{
    Write("box/SETUP.INI", "DEFAULTDIR=C:\\BOOK\r\nPUBNAME=x\r\n");
    Write("box/表/ポスター.PDF", "poster");
    std::string setup = Write("setup.exe", MinimalPe(2048)),
                meter = Write("METER.DLL", MinimalDll(kMeterSize, "meter")),
                dunzip = Write("DUNZIP32.DLL", MinimalDll(1024, "dunzip")), box = dir + "/box",
                ini = dir + "/box/SETUP.INI", out = dir + "/SETUP.EXE";
    PackInputs in = {setup.c_str(), meter.c_str(), dunzip.c_str(), box.c_str(), ini.c_str(),
                     out.c_str(), 0};
    ASSERT_EQ(nullptr, UseBookCodePage(932));
    ASSERT_EQ(nullptr, PackSetup(&in));
    std::string file = Read(out), report;
    EXPECT_EQ("", Examine(file, &report));
    EXPECT_NE(std::string::npos, report.find("ok  " + std::string(kHyo) + "/" + kPoster + ".PDF"))
        << report;
    char *text = nullptr;
    size_t len = 0;
    FILE *stream = open_memstream(&text, &len);
    ExamineSource src = {(void *)&file, (int64_t)file.size(), ReadString};
    ExaminePackageJson(&src, "SETUP.EXE", stream);
    fclose(stream);
    std::string json(text, len);
    free(text);
    EXPECT_NE(std::string::npos, json.find("\"name\": \"\\u8868/\\u30dd\\u30b9\\u30bf\\u30fc.PDF\""))
        << json;

    std::string unpacked;
    ASSERT_EQ("", Unpack(out, dir + "/un", 1, &unpacked)) << unpacked;
    EXPECT_EQ("poster", Read(dir + "/un/pack/表/ポスター.PDF"));
    EXPECT_NE(std::string::npos, unpacked.find("-o NEW.EXE --codepage 932")) << unpacked;
    std::string image = dir + "/un/setup.exe", pack = dir + "/un/pack", rebuilt = dir + "/again.exe";
    PackInputs again = {image.c_str(), meter.c_str(), dunzip.c_str(), pack.c_str(), ini.c_str(),
                        rebuilt.c_str(), 0};
    ASSERT_EQ(nullptr, PackSetup(&again));
    EXPECT_EQ(file, Read(rebuilt));

    ASSERT_EQ(nullptr, UseBookCodePage(0));
    std::string why = Unpack(out, dir + "/un2", 1);
    EXPECT_NE(std::string::npos, why.find("PACK.BOX member \\x95\\x5c/\\x83|")) << why;
    EXPECT_NE(std::string::npos, why.find("--codepage")) << why;
    struct stat st;
    EXPECT_NE(0, stat((dir + "/un2").c_str(), &st)) << "nothing written: " << why;
}

// embed stores the document's name in the book's code page, lower-cased as
// the Windows builder's CharLowerA does; the installers' names that
// tkbuild.txt gives in that code page are split at their own separators
// and written here in UTF-8.
TEST_F(BookPage, EmbedStoresTheDocumentNameInTheBooksCodePage)
{
    std::string image = Write("embed.exe", MinimalPe(1536)), doc = Write("ＢＯＯＫ本.TXT", "document"),
                plugin = Write("tarnw32.api", "plug"),
                build = Write("tkbuild.txt", "PATH1=C:\\out\\" + std::string(kHyo) + ".EXE\r\n");
    mkdir((dir + "/out").c_str(), 0755);
    std::string outDir = dir + "/out";
    EmbedInputs in = {image.c_str(), build.c_str(), plugin.c_str(), doc.c_str(), 0, 0,
                      outDir.c_str(), nullptr, nullptr};
    const char *why = BuildEmbedInstallers(&in);
    ASSERT_NE(nullptr, why);
    EXPECT_NE(nullptr, strstr(why, "ＢＯＯＫ本.TXT: a name outside ASCII")) << why;

    ASSERT_EQ(nullptr, UseBookCodePage(932));
    ASSERT_EQ(nullptr, BuildEmbedInstallers(&in));
    std::string file = Read(outDir + "/表.EXE");
    EmbedFields f = {};
    ASSERT_TRUE(DecodeEmbedTrailer((const unsigned char *)file.data() + file.size() - 512, &f));
    EXPECT_EQ("\x82\x82\x82\x8F\x82\x8F\x82\x8B" + kBook + ".pdf", f.docName) << "ｂｏｏｋ本.pdf";
}
