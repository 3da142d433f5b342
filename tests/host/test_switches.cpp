#include <gtest/gtest.h>

#include <string>

#include "common/switches.h"
#include "setup/install/script_values.h"

namespace {

UnattendedSwitches Read(const char *line)
{
    UnattendedSwitches s;
    memset(&s, 0x5A, sizeof s);  // every field must be set
    ReadUnattendedSwitches(line, &s);
    return s;
}

}  // namespace

TEST(Switches, SilentDestinationAndLogInAnyCase)
{
    UnattendedSwitches s = Read("/s /log=C:\\logs\\book.log /D=C:\\Program Files\\My Book  ");
    EXPECT_EQ(1, s.silent);
    EXPECT_STREQ("C:\\logs\\book.log", s.logPath);
    EXPECT_EQ(1, s.destGiven);
    EXPECT_STREQ("C:\\Program Files\\My Book", s.destDir) << "blanks kept, trailing ones dropped";
    EXPECT_EQ(1, s.destWhole);

    s = Read("/D=C:\\BOOK /S");
    EXPECT_EQ(0, s.silent) << "/D= takes the rest of the line";
    EXPECT_STREQ("C:\\BOOK /S", s.destDir);

    s = Read("/LOG=\"C:\\my logs\\a.log\" /S /D=\"C:\\My Book\"");
    EXPECT_STREQ("C:\\my logs\\a.log", s.logPath);
    EXPECT_EQ(1, s.silent);
    EXPECT_STREQ("C:\\My Book", s.destDir) << "a value quoted whole means the same folder";
    EXPECT_STREQ("C:\\x y", Read("/LOG=\"C:\\x y").logPath) << "an open quote runs to the end";
}

TEST(Switches, UnknownSwitchesAndWordsAreIgnored)
{
    for (const char *line : {"", "   ", "-cdrom d:\\", "/SILENT", "/S2", "S", "/Q /X=1 hello",
                             "/LOGFILE=x", "/D"}) {
        UnattendedSwitches s = Read(line);
        EXPECT_EQ(0, s.silent) << line;
        EXPECT_EQ(0, s.destGiven) << line;
        EXPECT_STREQ("", s.logPath) << line;
        EXPECT_STREQ("", s.destDir) << line;
    }
    UnattendedSwitches s = Read("-cdrom d:\\ /s /log=c:\\x.log");
    EXPECT_EQ(1, s.silent) << "as embed is started";
    EXPECT_STREQ("c:\\x.log", s.logPath);
}

TEST(Switches, ValuesThatDoNotFitAreRefusedNotCut)
{
    std::string dir(kSwitchValueSize, 'd');
    UnattendedSwitches s = Read(("/S /D=C:\\" + dir).c_str());
    EXPECT_EQ(1, s.destGiven);
    EXPECT_EQ(0, s.destWhole);
    EXPECT_STREQ("", s.destDir);
    s = Read(("/LOG=C:\\" + dir + " /S").c_str());
    EXPECT_EQ(0, s.logWhole);
    EXPECT_STREQ("", s.logPath);
    EXPECT_EQ(1, s.silent);
}

TEST(Switches, LogLinesAndEmbedsSwitches)
{
    LogTime t = {2026, 12, 9, 7, 5, 3};
    char line[64];
    FormatLogLine(line, sizeof line, &t, "Alert", "Cannot CD to: Q:\\BOOK.");
    EXPECT_STREQ("2026-12-09 07:05:03  Alert: Cannot CD to: Q:\\BOOK.", line);
    FormatLogLine(line, sizeof line, &t, "Path to Acrobat:", "C:\\R");
    EXPECT_STREQ("2026-12-09 07:05:03  Path to Acrobat: C:\\R", line);
    FormatLogLine(line, sizeof line, &t, "", "two\r\nlines");
    EXPECT_STREQ("2026-12-09 07:05:03  two  lines", line) << "one line each";
    FormatLogLine(line, 24, &t, NULL, "Finished.");
    EXPECT_STREQ("2026-12-09 07:05:03  Fi", line);

    char cmd[64] = "\"C:\\B\\EMBED.EXE\" -cdrom D:\\";
    ASSERT_TRUE(SilentEmbedSwitches("C:\\my logs\\x.log", cmd, sizeof cmd));
    EXPECT_STREQ("\"C:\\B\\EMBED.EXE\" -cdrom D:\\ /S /LOG=\"C:\\my logs\\x.log\"", cmd);
    char small[40] = "\"C:\\B\\EMBED.EXE\" -cdrom D:\\";
    EXPECT_FALSE(SilentEmbedSwitches("C:\\my logs\\x.log", small, sizeof small));
    EXPECT_STREQ("\"C:\\B\\EMBED.EXE\" -cdrom D:\\", small) << "left as it was";
    ASSERT_TRUE(SilentEmbedSwitches("", small, sizeof small));
    EXPECT_STREQ("\"C:\\B\\EMBED.EXE\" -cdrom D:\\ /S", small);
}
