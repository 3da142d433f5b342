#include <gtest/gtest.h>
#include <string.h>

#include <string>

#include "acrobat/title_match.h"
#include "embed/command.h"

namespace {

struct Dispatch {
    EmbedRole role;
    std::string argument;
};

Dispatch Choose(std::string text)
{
    char buf[512];
    strcpy(buf, text.c_str());
    StripCommandQuotes(buf);
    const char *arg = nullptr;
    EmbedRole role = ChooseRole(buf, &arg);
    return {role, arg};
}

}  // namespace

TEST(EmbedCommand, DispatchesByTheTable)
{
    struct Case {
        const char *text;
        EmbedRole role;
        const char *argument;
    } cases[] = {
        {"", kRoleDelivery, ""},
        {"-cdrom d:\\", kRoleDelivery, " d:\\"},
        {"-cdrox", kRoleDelivery, ""},
        {"-cdro", kRoleDelivery, ""},  // nothing to skip past the end
        {"-setup c:\\doc.pdf", kRoleBuild, "c:\\doc.pdf"},
        {"-cetup c:\\doc.pdf", kRoleBuildPlugin, "c:\\doc.pdf"},
        {"-sutup c:\\doc.pdf", kRoleBuildUpdate, "c:\\doc.pdf"},
        {"-cutup c:\\doc.pdf", kRoleBuildBoth, "c:\\doc.pdf"},
        {"-cutup", kRoleBuildBoth, ""},
        {"-setupx", kRoleBuild, ""},
        {"-version", kRoleVersion, ""},
        {"-versions please", kRoleVersion, ""},
        {"-versio", kRoleDeleter, "-versio"},
        {"c:\\temp\\inst.exe", kRoleDeleter, "c:\\temp\\inst.exe"},
        {"-cdr", kRoleDeleter, "-cdr"},
    };
    for (const Case &c : cases) {
        Dispatch d = Choose(c.text);
        EXPECT_EQ(c.role, d.role) << c.text;
        EXPECT_EQ(c.argument, d.argument) << c.text;
    }
}

TEST(EmbedCommand, RemovesOneLeadingAndOneTrailingQuote)
{
    EXPECT_EQ("c:\\a b\\inst.exe", Choose("\"c:\\a b\\inst.exe\"").argument);
    EXPECT_EQ("c:\\x", Choose("\"c:\\x").argument);
    EXPECT_EQ("c:\\x", Choose("c:\\x\"").argument);
    EXPECT_EQ("\"x", Choose("\"\"x\"").argument) << "only one quote is removed at each end";
    Dispatch empty = Choose("\"");
    EXPECT_EQ(kRoleDelivery, empty.role) << "a lone quote leaves the empty text";
    Dispatch quoted = Choose("\"-cdrom\"");
    EXPECT_EQ(kRoleDelivery, quoted.role);
}

TEST(AcrobatTitle, MatchesEitherPatternAnywhereInAnyCase)
{
    EXPECT_EQ(1, TitleNamesAcrobat("Acrobat Reader - book.pdf"));
    EXPECT_EQ(1, TitleNamesAcrobat("Adobe Acrobat - book.pdf"));
    EXPECT_EQ(1, TitleNamesAcrobat("ADOBE ACROBAT FILES"));
    EXPECT_EQ(1, TitleNamesAcrobat("my acrobat reade"));
    EXPECT_EQ(0, TitleNamesAcrobat("Acrobat Rea"));
    EXPECT_EQ(0, TitleNamesAcrobat("Adobe Acroba"));
    EXPECT_EQ(0, TitleNamesAcrobat(""));
    EXPECT_EQ(0, TitleNamesAcrobat("Notepad"));
}

TEST(AcrobatTitle, LooksOnlyAtTheFirst256Characters)
{
    std::string inside = std::string(243, '.') + "Adobe Acrobat";  // ends at 256
    EXPECT_EQ(1, TitleNamesAcrobat(inside.c_str()));
    std::string straddles = std::string(244, '.') + "Adobe Acrobat";
    EXPECT_EQ(0, TitleNamesAcrobat(straddles.c_str()));
    std::string after = std::string(300, '.') + "Acrobat Reader";
    EXPECT_EQ(0, TitleNamesAcrobat(after.c_str()));
}

TEST(EmbedCommand, KnowsTheRelayCopyByItsNameAndFolder)
{
    const char *temp = "C:\\users\\me\\Temp\\";
    EXPECT_EQ(1, IsRelayCopy("c:\\users\\me\\temp\\\\TEMP.EXE", temp)) << "as SelfDelete starts it";
    EXPECT_EQ(1, IsRelayCopy("C:\\users\\me\\Temp\\temp.exe", temp));
    EXPECT_EQ(1, IsRelayCopy("C:\\users\\me\\Temp\\temp.exe", "C:\\users\\me\\Temp"));
    EXPECT_EQ(0, IsRelayCopy("C:\\book\\EMBED.EXE", temp)) << "an installed embed is no deleter";
    EXPECT_EQ(0, IsRelayCopy("C:\\book\\TEMP.EXE", temp)) << "another folder";
    EXPECT_EQ(0, IsRelayCopy("C:\\users\\me\\Temp\\sub\\TEMP.EXE", temp));
    EXPECT_EQ(0, IsRelayCopy("C:\\users\\me\\Tem\\TEMP.EXE", temp));
    EXPECT_EQ(0, IsRelayCopy("C:\\users\\me\\Temp\\TEMP.EXE.bak", temp));
    EXPECT_EQ(0, IsRelayCopy("TEMP.EXE", temp));
    EXPECT_EQ(0, IsRelayCopy("C:\\users\\me\\Temp\\TEMP.EXE", ""));
}
