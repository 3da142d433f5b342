// The text helpers on double-byte code pages: byte vectors for each of the
// four built-in tables, with characters whose trail byte is a "\" (0x5C),
// a "|" (0x7C) or a lower-case letter. The empty table is a single-byte
// code page, where the same bytes are two characters each and the old
// byte-wise answers are the right ones.
#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "acrobat/title_match.h"
#include "common/text.h"
#include "dunzip/zip_core.h"
#include "embed/command.h"
#include "embed/trailer.h"
#include "setup/install/program_items.h"
#include "setup/install/script_values.h"
#include "setup/install/uninstall_list.h"
#include "setup/install/viewer_names.h"
#include "setup/shell/run_mode.h"
#include "zip_fixture.h"

namespace {

struct Page {
    unsigned codePage;
    const char *slash;   // a character whose trail byte is "\"; NULL: none
    const char *bar;     // one whose trail byte is "|"; NULL: none
    const char *letter;  // one whose trail byte is "r"
    const char *upper;   // the character of the same lead byte and "R"
};

const Page kPages[] = {
    {932, "\x95\x5C" /* 表 */, "\x83\x7C" /* ポ */, "\x83\x72" /* ビ */, "\x83\x52" /* コ */},
    {936, "\x81\x5C" /* 乗 */, "\x81\x7C" /* 亅 */, "\x81\x72" /* 乺 */, "\x81\x52"},
    {949, NULL, NULL, "\x81\x72" /* 걊 */, "\x81\x52"},
    {950, "\xB3\x5C" /* 許 */, "\xA4\x7C" /* 弋 */, "\xA4\x72" /* 尸 */, "\xA4\x52"},
};

void PrintTo(const Page &page, std::ostream *os)
{
    *os << "code page " << page.codePage;
}

std::string S(const char *a, const char *b = "", const char *c = "", const char *d = "",
              const char *e = "")
{
    return std::string(a) + b + c + d + e;
}

class DoubleByte : public ::testing::TestWithParam<Page> {
protected:
    void SetUp() override { ASSERT_EQ(1, UseCodePage(GetParam().codePage)); }
    void TearDown() override { UseCodePage(0); }
};

// Every other test of the suite runs on the empty table.
struct SingleByte : ::testing::Test {
    void SetUp() override { UseCodePage(0); }
};

}  // namespace

TEST_P(DoubleByte, UpperCasingLeavesTheCharactersAlone)
{
    const Page &p = GetParam();
    std::string s = S("c:\\b", p.letter, "x", p.letter);
    UpperCase(&s[0]);
    EXPECT_EQ(S("C:\\B", p.letter, "X", p.letter), s.c_str());
    EXPECT_FALSE(EqualsNoCase(p.letter, p.upper)) << "two characters, not one in two cases";
    EXPECT_TRUE(EqualsNoCase(S("a", p.letter, "b").c_str(), S("A", p.letter, "B").c_str()));
    EXPECT_FALSE(StartsWithNoCase(S(p.letter, "x").c_str(), p.upper));
    EXPECT_TRUE(StartsWithNoCase(S(p.letter, "x").c_str(), S(p.letter, "X").c_str()));
}

TEST_P(DoubleByte, PathsSplitOnlyAtBackslashesOfTheirOwn)
{
    const Page &p = GetParam();
    if (p.slash == NULL)
        GTEST_SKIP() << "no trail byte 0x5C in this code page";
    const std::string dir = S("C:\\", p.letter, p.slash);  // ends in the trail byte
    const std::string exe = dir + "\\UNINSTAL.EXE";
    EXPECT_EQ((int)dir.size(), LastBackslash(exe.c_str()));
    EXPECT_EQ(2, LastBackslash(dir.c_str()));
    EXPECT_FALSE(EndsWithBackslash(dir.c_str()));
    EXPECT_TRUE(EndsWithBackslash((dir + "\\").c_str()));
    EXPECT_TRUE(EndsWithBackslash("C:\\"));
    EXPECT_FALSE(EndsWithBackslash(""));

    char out[256], name[64];
    ProgramDirOf(exe.c_str(), out, sizeof out);
    EXPECT_EQ(dir, out);
    ASSERT_TRUE(UninstallDirOf(exe.c_str(), out, sizeof out));
    EXPECT_EQ(dir.substr(2), out) << "the drive letter and colon are left off";
    EXPECT_TRUE(IsUninstallerPath(exe.c_str()));
    EXPECT_FALSE(IsUninstallerPath(S("C:\\", p.slash, "UNINSTAL.EXE").c_str()));
    ASSERT_TRUE(SplitViewerPath(S(dir.c_str(), "\\", p.slash, ".EXE").c_str(), out, sizeof out,
                                name, sizeof name));
    EXPECT_EQ(dir, out);
    EXPECT_EQ(S(p.slash, ".EXE"), name);
    EXPECT_EQ(-1, LastBackslash(S("C", p.slash, p.slash).c_str()));
    EXPECT_EQ(FindAnyOf(dir.c_str(), "\\"), dir.c_str() + 2);
    EXPECT_EQ(NULL, FindAnyOf(S(p.slash, p.bar).c_str(), "\\|"));
    EXPECT_EQ(NULL, FindPattern(S("C:", p.slash, "\\x").c_str(), "\\\\"))
        << "a trail byte and a backslash are no network path";
    EXPECT_NE(nullptr, FindPattern("\\\\server\\x", "\\\\"));
}

TEST_P(DoubleByte, PlainNamesAreJudgedByCharacters)
{
    const Page &p = GetParam();
    std::string name = S(p.letter, ".PDF");
    EXPECT_TRUE(IsPlainName(name.c_str(), name.size()));
    if (p.slash != NULL) {
        name = S(p.slash, p.bar, p.slash, ".PDF");
        EXPECT_TRUE(IsPlainName(name.c_str(), name.size()));
        EXPECT_TRUE(IsPlainGroupName(S(p.letter, p.slash).c_str()));
        EXPECT_TRUE(IsPlainFileName(S(p.slash, ".ICO").c_str()));
        EXPECT_FALSE(IsPlainFileName(S(p.slash, "\\X.ICO").c_str()));
        name = S(p.slash, "|");
        EXPECT_FALSE(IsPlainName(name.c_str(), name.size())) << "a bar of its own";
    }
    // A lead byte without a trail byte: at the end, before the end of the
    // length given, or before a byte no code page takes as a trail byte
    // ("/", ":"), which the system may then read apart.
    const char lead[] = {p.letter[0], '\0'};
    EXPECT_FALSE(IsPlainName(S("A", lead).c_str(), 2));
    EXPECT_FALSE(IsPlainName(S("A", p.letter).c_str(), 2)) << "cut by the length";
    EXPECT_FALSE(IsPlainName(S(lead, "/..").c_str(), 4));
    EXPECT_FALSE(IsPlainName(S(lead, ":x").c_str(), 3));
    EXPECT_TRUE(IsPlainName(S(lead, "\\..").c_str(), 4)) << "0x5C completes the character";
}

TEST_P(DoubleByte, CutsKeepWholeCharacters)
{
    const Page &p = GetParam();
    char title[16];
    QuotedValueName(S("\"", p.letter, p.letter, "\"").c_str(), title, sizeof title);
    EXPECT_EQ(S(p.letter, p.letter), title);
    QuotedValueName(S(p.letter, "ab", p.letter).c_str(), title, sizeof title);
    EXPECT_STREQ("ab", title) << "an unquoted value loses whole characters";
    QuotedValueName(S(p.letter, p.letter).c_str(), title, sizeof title);
    EXPECT_STREQ("", title) << "two characters";
    const std::string two = S(p.letter, p.letter);
    char buf[8];
    memset(buf, 'X', sizeof buf);
    EXPECT_EQ(3u, CopyText(buf, 5, S("A", two.c_str()).c_str()));
    EXPECT_EQ(S("A", p.letter), buf) << "the second character does not fit whole";
    EXPECT_EQ(2u, CopyTextN(buf, sizeof buf, two.c_str(), 3));
    EXPECT_EQ(std::string(p.letter), buf);
    EXPECT_EQ(0u, CopyTextN(buf, sizeof buf, p.letter, 1)) << "a count inside a character";
    CopyText(buf, sizeof buf, "C:\\");
    EXPECT_EQ(7u, AppendText(buf, sizeof buf, two.c_str()));
    CopyText(buf, 6, "C:\\");
    EXPECT_EQ(5u, AppendText(buf, 6, two.c_str()));
    EXPECT_EQ(S("C:\\", p.letter), buf);
    EXPECT_EQ(2u, WholeChars(two.c_str(), 3));
    EXPECT_EQ(4u, WholeChars(two.c_str(), 9));
}

TEST_P(DoubleByte, MoveFileNamesTheFileItsValueEndsIn)
{
    const Page &p = GetParam();
    if (p.slash == NULL)
        GTEST_SKIP() << "no trail byte 0x5C in this code page";
    const std::string dest = S("C:\\", p.letter, p.slash);
    const std::string file = S(p.slash, p.letter, ".PDF");
    char source[256], target[256];
    ASSERT_TRUE(MoveFilePaths(dest.c_str(), S("\\DOCS\\", file.c_str()).c_str(), source, target,
                              sizeof source));
    EXPECT_EQ(dest + "\\" + file, source);
    EXPECT_EQ(dest + "\\DOCS\\" + file, target);
    // At a drive root the leading backslash of both goes.
    ASSERT_TRUE(MoveFilePaths("C:\\", S("\\", p.slash, "\\", file.c_str()).c_str(), source,
                              target, sizeof source));
    EXPECT_EQ("C:\\" + file, source);
    EXPECT_EQ(S("C:\\", p.slash, "\\", file.c_str()), target);
}

TEST_P(DoubleByte, ArchiveMembersLandWhereTheirNamesSay)
{
    const Page &p = GetParam();
    char out[64];
    std::string name = S(p.letter, p.slash ? p.slash : "", "/a.pdf");
    ASSERT_EQ(kZipNameFile, ZipSafeName(name.data(), name.size(), out, sizeof out));
    EXPECT_EQ(name, out);
    name = S(p.letter, p.bar ? p.bar : "", ".PDF");
    EXPECT_EQ(kZipNameFile, ZipSafeName(name.data(), name.size(), out, sizeof out));
    if (p.slash != NULL) {
        name = S(p.slash);
        EXPECT_EQ(kZipNameFile, ZipSafeName(name.data(), name.size(), out, sizeof out))
            << "a name ending in a trail byte 0x5C is a file, not a folder";
        name = S(p.slash, "\\");
        EXPECT_EQ(kZipNameDir, ZipSafeName(name.data(), name.size(), out, sizeof out));
    }
    // Climbing stays refused, and a lead byte cannot hide a separator.
    const char lead = p.letter[0];
    for (const std::string &bad : {S("a/../", p.letter), S("..\\", p.letter),
                                   std::string(1, lead) + "/../x", std::string("a") + lead,
                                   S(p.letter, "/con.txt")}) {
        EXPECT_EQ(kZipNameUnsafe, ZipSafeName(bad.data(), bad.size(), out, sizeof out)) << bad;
    }

    MemFs fs;
    fs.archive = MakeZip({{S(p.letter, p.slash ? p.slash : "", "/a.pdf"), "book", 0}});
    ZipStats st;
    ASSERT_EQ(kZipDone, ExpandInMemory(&fs, &st));
    EXPECT_EQ(1u, fs.files.count(S(p.letter, p.slash ? p.slash : "", "/a.pdf")));
    EXPECT_EQ(1u, fs.dirs.count(S(p.letter, p.slash ? p.slash : "")));
}

INSTANTIATE_TEST_SUITE_P(Pages, DoubleByte, ::testing::ValuesIn(kPages),
                         [](const ::testing::TestParamInfo<Page> &info) {
                             return "cp" + std::to_string(info.param.codePage);
                         });

// Japanese: the paths and titles that went wrong byte by byte.
class Japanese : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(1, UseCodePage(932)); }
    void TearDown() override { UseCodePage(0); }
};

TEST_F(Japanese, EBookStaysEBook)
{
    char s[] = "c:\\\x93\x64\x8E\x71\x8F\x91\x90\xD0";  // c:\電子書籍
    UpperCase(s);
    EXPECT_STREQ("C:\\\x93\x64\x8E\x71\x8F\x91\x90\xD0", s) << "not 泥参書籍";
}

TEST_F(Japanese, TitlesAndTargetsByCharacters)
{
    // データ: the long vowel mark's trail byte is "[", which the command
    // syntax would need quoted; as a character it needs nothing.
    char arg[64];
    ASSERT_TRUE(GroupArgumentOf("\x83\x66\x81\x5B\x83\x5E", arg, sizeof arg));
    EXPECT_STREQ("\x83\x66\x81\x5B\x83\x5E", arg);
    // テxe: the last three bytes spell "exe", the last three characters do not.
    EXPECT_FALSE(TakesIconLocation("C:\\BOOK\\\x83\x65xe"));
    EXPECT_TRUE(TakesIconLocation("C:\\\x83\x65\\BOOK.PDF"));
    // アdobe Acrobat: "Adobe Acrobat" begins inside ア.
    EXPECT_FALSE(TitleNamesAcrobat("\x83" "Adobe Acrobat"));
    EXPECT_TRUE(TitleNamesAcrobat("\x83\x41" "Adobe Acrobat"));
    EXPECT_FALSE(InstallerTitleMatches("\x83" "Acrobat Setup", "Acrobat"));
    EXPECT_TRUE(InstallerTitleMatches("\x83\x41" "acrobat Setup", "Acrobat"));
}

TEST_F(Japanese, EmbedNamesByCharacters)
{
    // The relay copy's folder ビ is not コ (83 52), whatever the case.
    EXPECT_FALSE(IsRelayCopy("C:\\T\\\x83\x72\\TEMP.EXE", "C:\\T\\\x83\x52\\"));
    EXPECT_TRUE(IsRelayCopy("C:\\T\\\x83\x72\\TEMP.EXE", "c:\\t\\\x83\x72\\"));
    EXPECT_TRUE(IsRelayCopy("C:\\\x95\x5C\\TEMP.EXE", "C:\\\x95\x5C"));
    EXPECT_FALSE(IsRelayCopy("C:\\\x95\x5C\\TEMP.EXE", "C:\\\x95"));
    // 本の表 without extension: its last three bytes give way to "pdf" by
    // whole characters.
    char name[128];
    StoredDocumentName("C:\\DOCS\\\x96\x7B\x82\xCC\x95\x5C", name, sizeof name);
    EXPECT_STREQ("\x96\x7Bpdf", name);
    StoredDocumentName("C:\\\x95\x5C\\\x96\x7B.PDF", name, sizeof name);
    EXPECT_STREQ("\x96\x7B.pdf", name);
}

TEST_F(SingleByte, TheSameBytesAreTwoCharactersEach)
{
    // On a single-byte code page 0x83 0x72 is "ƒr" and 0x95 0x5C is "•\".
    char s[] = "c:\\\x83r";
    UpperCase(s);
    EXPECT_STREQ("C:\\\x83R", s);
    EXPECT_EQ(4, LastBackslash("C:\\\x95\\"));
    EXPECT_TRUE(EndsWithBackslash("C:\\\x95\\"));
    EXPECT_FALSE(IsPlainName("\x83|", 2));
    EXPECT_TRUE(IsPlainName("\x83", 1));
    char buf[4];
    EXPECT_EQ(3u, CopyText(buf, sizeof buf, "A\x83r"));
    EXPECT_EQ(0u, CurrentCodePage());
    EXPECT_EQ(0, UseCodePage(1252));
    EXPECT_EQ(0, IsLeadByte(0x83));
}

TEST_F(SingleByte, RangesAsTheSystemReportsThem)
{
    const unsigned char ranges[12] = {0x81, 0x9F, 0xE0, 0xFC, 0, 0, 0xA0, 0xA0};
    SetLeadByteRanges(ranges, sizeof ranges);
    EXPECT_TRUE(IsLeadByte(0x81) && IsLeadByte(0x9F) && IsLeadByte(0xE0) && IsLeadByte(0xFC));
    EXPECT_FALSE(IsLeadByte(0x80) || IsLeadByte(0xA0) || IsLeadByte(0xDF) || IsLeadByte(0xFD))
        << "the ranges end at the first empty pair";
    EXPECT_EQ(0u, CurrentCodePage());
    SetLeadByteRanges(NULL, 0);
    EXPECT_FALSE(IsLeadByte(0x81));
}
