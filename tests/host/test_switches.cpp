#include <gtest/gtest.h>

#include <string>

#include "common/log_file.h"
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

// A command line as deployment tools write it, and what it must be read as.
struct Line {
    const char *text;
    int silent;
    const char *dest;   // NULL: no /D=
    const char *log;    // NULL: no /LOG=
    const char *stray;  // the first word that is no switch, "" for none
};

TEST(Switches, CommandLinesAsDeploymentToolsWriteThem)
{
    const Line lines[] = {
        {"/s /log=C:\\logs\\book.log /D=C:\\Program Files\\My Book  ", 1,
         "C:\\Program Files\\My Book", "C:\\logs\\book.log", ""},
        // Quoted whole, as PowerShell, .NET and subprocess quote an argument
        // with a blank; and the value alone quoted.
        {"\"/S\" \"/LOG=C:\\x y.log\" \"/D=C:\\My Books\"", 1, "C:\\My Books", "C:\\x y.log", ""},
        {"/LOG=\"C:\\my logs\\a.log\" /S /D=\"C:\\My Book\"", 1, "C:\\My Book",
         "C:\\my logs\\a.log", ""},
        // In another order: an unquoted destination ends before the next
        // switch, since no folder name starts with "/".
        {"/D=C:\\BOOK /S", 1, "C:\\BOOK", NULL, ""},
        {"/D=C:\\My Book /LOG=C:\\b.log /s", 1, "C:\\My Book", "C:\\b.log", ""},
        {"/D=C:\\My Book \"/LOG=C:\\x y.log\"", 0, "C:\\My Book", "C:\\x y.log", ""},
        {"/S /D=C:\\A /D=C:\\B", 1, "C:\\B", NULL, ""},
        // Words that are no switch are noted, the first one only.
        {"/S /D=C:\\Book /X", 1, "C:\\Book", NULL, "/X"},
        {"/S /LOG=C:\\x y.log", 1, NULL, "C:\\x", "y.log"},
        {"/SILENT /Q", 0, NULL, NULL, "/SILENT"},
        {"\"my word\" /S", 1, NULL, NULL, "\"my word\""},
        {"/S2", 0, NULL, NULL, "/S2"},
        {"/D", 0, NULL, NULL, "/D"},
        {"/LOGFILE=x", 0, NULL, NULL, "/LOGFILE=x"},
        {"\"/S", 1, NULL, NULL, ""},
        {"/LOG=\"C:\\x y", 0, NULL, "C:\\x y", ""},  // an open quote runs to the end
        {"", 0, NULL, NULL, ""},
        {"   ", 0, NULL, NULL, ""},
    };
    for (const Line &line : lines) {
        UnattendedSwitches s = Read(line.text);
        EXPECT_EQ(line.silent, s.silent) << line.text;
        EXPECT_EQ(line.dest != NULL, s.destGiven != 0) << line.text;
        EXPECT_STREQ(line.dest != NULL ? line.dest : "", s.destDir) << line.text;
        EXPECT_EQ(line.log != NULL, s.logGiven != 0) << line.text;
        EXPECT_STREQ(line.log != NULL ? line.log : "", s.logPath) << line.text;
        EXPECT_EQ(line.stray[0] != '\0', s.strayGiven != 0) << line.text;
        EXPECT_STREQ(line.stray, s.stray) << line.text;
        EXPECT_EQ(1, s.destWhole);
        EXPECT_EQ(1, s.logWhole);
    }
    // As embed reads what follows its drive root.
    UnattendedSwitches s = Read(" /s /log=\"c:\\my logs\\x.log");
    EXPECT_EQ(1, s.silent);
    EXPECT_STREQ("c:\\my logs\\x.log", s.logPath);
    EXPECT_EQ(0, s.strayGiven);
    // A stray word too long for its field is cut: it is only named.
    s = Read(("/S " + std::string(200, 'w')).c_str());
    EXPECT_EQ((size_t)kSwitchWordSize - 1, strlen(s.stray));
}

TEST(Switches, OnlyAFullPathIsADestination)
{
    for (const char *path : {"C:\\", "c:\\My Books", "Z:\\a\\b"})
        EXPECT_TRUE(IsFullDestination(path)) << path;
    for (const char *path : {"", "Books", "C:", "C:Books", "\\Books", "\\\\server\\share\\b",
                             "1:\\b", "C:/Books", "..\\Books", "\xe9:\\b"})
        EXPECT_FALSE(IsFullDestination(path)) << path;
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
