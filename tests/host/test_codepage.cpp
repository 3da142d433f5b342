// The text helpers on double-byte code pages: byte vectors for each of the
// four built-in tables, with characters whose trail byte is a "\" (0x5C), a
// "|" (0x7C) or a lower-case letter. On the empty table (a single-byte code
// page) the same bytes are two characters each, read as before.
#include <gtest/gtest.h>

#include <string>

#include "acrobat/title_match.h"
#include "common/text.h"
#include "dunzip/zip_core.h"
#include "embed/command.h"
#include "embed/trailer.h"
#include "setup/install/program_items.h"
#include "setup/install/script_values.h"
#include "setup/install/uninstall_list.h"

namespace {

struct Page {
    unsigned codePage;
    std::string slash;   // a character whose trail byte is "\" (949 has none: "r" then)
    std::string bar;     // one whose trail byte is "|" (949: "r")
    std::string letter;  // one whose trail byte is "r"
    std::string upper;   // the same lead byte and "R"
};

const Page kPages[] = {
    {932, "\x95\x5C" /* 表 */, "\x83\x7C" /* ポ */, "\x83\x72" /* ビ */, "\x83\x52" /* コ */},
    {936, "\x81\x5C" /* 乗 */, "\x81\x7C" /* 亅 */, "\x81\x72" /* 乺 */, "\x81\x52"},
    {949, "\x81\x72" /* 걊 */, "\x81\x72", "\x81\x72", "\x81\x52"},
    {950, "\xB3\x5C" /* 許 */, "\xA4\x7C" /* 弋 */, "\xA4\x72" /* 尸 */, "\xA4\x52"},
};

void PrintTo(const Page &page, std::ostream *os)
{
    *os << "code page " << page.codePage;
}

class DoubleByte : public ::testing::TestWithParam<Page> {
protected:
    void SetUp() override { ASSERT_EQ(1, UseCodePage(GetParam().codePage)); }
    void TearDown() override { UseCodePage(0); }
};

}  // namespace

TEST_P(DoubleByte, CaseAndComparisonLeaveCharactersAlone)
{
    const Page &p = GetParam();
    std::string s = "c:\\b" + p.letter + "x";
    UpperCase(&s[0]);
    EXPECT_EQ("C:\\B" + p.letter + "X", s.c_str());
    EXPECT_FALSE(EqualsNoCase(p.letter.c_str(), p.upper.c_str()));
    EXPECT_FALSE(StartsWithNoCase((p.letter + "x").c_str(), p.upper.c_str()));
    EXPECT_TRUE(EqualsNoCase(("a" + p.letter).c_str(), ("A" + p.letter).c_str()));
}

TEST_P(DoubleByte, PathsSplitOnlyAtTheirOwnBackslashes)
{
    const Page &p = GetParam();
    const std::string dir = "C:\\" + p.letter + p.slash;  // may end in the trail byte 0x5C
    const std::string exe = dir + "\\UNINSTAL.EXE";
    EXPECT_EQ((int)dir.size(), LastBackslash(exe.c_str()));
    EXPECT_FALSE(EndsWithBackslash(dir.c_str()));
    EXPECT_TRUE(EndsWithBackslash((dir + "\\").c_str()));
    char out[256];
    ASSERT_TRUE(UninstallDirOf(exe.c_str(), out, sizeof out));
    EXPECT_EQ(dir.substr(2), out);
    EXPECT_FALSE(IsUninstallerPath(("C:\\" + p.slash + "UNINSTAL.EXE").c_str()));
    EXPECT_EQ(nullptr, FindAnyOf((p.slash + p.bar).c_str(), "\\|"));
    EXPECT_EQ(nullptr, FindPattern(("C:" + p.slash + "\\x").c_str(), "\\\\"));

    char source[256], target[256];
    const std::string file = p.slash + ".PDF";
    ASSERT_TRUE(MoveFilePaths(dir.c_str(), ("\\DOCS\\" + file).c_str(), source, target, 256));
    EXPECT_EQ(dir + "\\" + file, source);
    EXPECT_EQ(dir + "\\DOCS\\" + file, target);
}

TEST_P(DoubleByte, NamesAreJudgedByCharacters)
{
    const Page &p = GetParam();
    const std::string name = p.slash + p.bar + ".PDF";
    EXPECT_TRUE(IsPlainName(name.c_str(), name.size()));
    EXPECT_TRUE(IsPlainGroupName((p.letter + p.slash).c_str()));
    EXPECT_TRUE(IsPlainFileName((p.slash + ".ICO").c_str()));
    EXPECT_FALSE(IsPlainName((p.slash + "|").c_str(), 3)) << "a bar of its own";
    // A lead byte without its trail byte: at the end, cut by the length, or
    // before a byte no code page takes as one ("/"), which may be read apart.
    const std::string lead(1, p.letter[0]);
    EXPECT_FALSE(IsPlainName(("A" + lead).c_str(), 2));
    EXPECT_FALSE(IsPlainName(("A" + p.letter).c_str(), 2));
    EXPECT_FALSE(IsPlainName((lead + "/..").c_str(), 4));

    char out[64];
    for (const std::string &good : {p.letter + p.bar + ".PDF", p.letter + p.slash + "/a.pdf"})
        EXPECT_EQ(kZipNameFile, ZipSafeName(good.data(), good.size(), out, sizeof out)) << good;
    EXPECT_EQ(p.letter + p.slash + "/a.pdf", out) << "the last one";
    EXPECT_EQ(kZipNameFile, ZipSafeName(p.slash.data(), 2, out, sizeof out));
    for (const std::string &bad : {"a/../" + p.letter, lead + "/../x", "a" + lead, p.letter + "/con"})
        EXPECT_EQ(kZipNameUnsafe, ZipSafeName(bad.data(), bad.size(), out, sizeof out)) << bad;
}

TEST_P(DoubleByte, CutsKeepWholeCharacters)
{
    const Page &p = GetParam();
    const std::string two = p.letter + p.letter;
    char buf[8];
    EXPECT_EQ(3u, CopyText(buf, 5, ("A" + two).c_str()));
    EXPECT_EQ(0u, CopyTextN(buf, sizeof buf, two.c_str(), 1)) << "a count inside a character";
    CopyText(buf, 6, "C:\\");
    EXPECT_EQ(5u, AppendText(buf, 6, two.c_str()));
    EXPECT_EQ("C:\\" + p.letter, buf);
    QuotedValueName(("\"" + two + "\"").c_str(), buf, sizeof buf);
    EXPECT_EQ(two, buf);
    QuotedValueName((p.letter + "ab" + p.letter).c_str(), buf, sizeof buf);
    EXPECT_STREQ("ab", buf) << "an unquoted value loses whole characters";
}

INSTANTIATE_TEST_SUITE_P(Pages, DoubleByte, ::testing::ValuesIn(kPages));

// Japanese: the cases that went wrong where only a character's first byte
// counts.
TEST(Japanese, TitlesTargetsAndEmbedNames)
{
    ASSERT_EQ(1, UseCodePage(932));
    char s[] = "c:\\\x93\x64\x8E\x71\x8F\x91\x90\xD0";  // 電子書籍, not 泥参書籍
    UpperCase(s);
    EXPECT_STREQ("C:\\\x93\x64\x8E\x71\x8F\x91\x90\xD0", s);
    char arg[64];  // データ: the long vowel mark's trail byte is "["
    ASSERT_TRUE(GroupArgumentOf("\x83\x66\x81\x5B\x83\x5E", arg, sizeof arg));
    EXPECT_STREQ("\x83\x66\x81\x5B\x83\x5E", arg);
    EXPECT_FALSE(TakesIconLocation("C:\\BOOK\\\x83\x65xe")) << "テxe";
    EXPECT_FALSE(TitleNamesAcrobat("\x83" "Adobe Acrobat")) << "begins inside ア";
    EXPECT_TRUE(TitleNamesAcrobat("\x83\x41" "Adobe Acrobat"));
    // The relay's folder ビ is not コ; 予定表 is no folder 予定 ending in "\".
    EXPECT_FALSE(IsRelayCopy("C:\\\x83\x72\\TEMP.EXE", "C:\\\x83\x52\\"));
    EXPECT_FALSE(IsRelayCopy("C:\\\x95\x5C\\TEMP.EXE", "C:\\\x95"));
    EXPECT_TRUE(IsRelayCopy("C:\\\x95\x5C\\TEMP.EXE", "c:\\\x95\x5C"));
    char name[128];  // 本の表 gives way to "pdf" by whole characters
    StoredDocumentName("C:\\\x95\x5C\\\x96\x7B\x82\xCC\x95\x5C", name, sizeof name);
    EXPECT_STREQ("\x96\x7Bpdf", name);
    UseCodePage(0);
}

TEST(SingleByte, BytesAreCharactersAndRangesAreTheSystems)
{
    char s[] = "c:\\\x83r";  // ƒr on code page 1252
    UpperCase(s);
    EXPECT_STREQ("C:\\\x83R", s);
    EXPECT_EQ(4, LastBackslash("C:\\\x95\\"));
    EXPECT_FALSE(IsPlainName("\x83|", 2));
    EXPECT_EQ(0, UseCodePage(1252));
    const unsigned char ranges[12] = {0x81, 0x9F, 0xE0, 0xFC, 0, 0, 0xA0, 0xA0};
    SetLeadByteRanges(ranges, sizeof ranges);
    EXPECT_TRUE(IsLeadByte(0x81) && IsLeadByte(0x9F) && IsLeadByte(0xE0) && IsLeadByte(0xFC));
    EXPECT_FALSE(IsLeadByte(0x80) || IsLeadByte(0xA0) || IsLeadByte(0xFD)) << "ends at 0, 0";
    SetLeadByteRanges(NULL, 0);
}
