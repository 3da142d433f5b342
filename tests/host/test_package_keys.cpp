#include <gtest/gtest.h>
#include <stdio.h>
#include <string.h>

#include <string>

#include "setup/payload/package_keys.h"

namespace {

PackageKeys Read(const std::string &script)
{
    FILE *f = fmemopen((void *)script.data(), script.size(), "r");
    PackageKeys keys;
    memset(&keys, 0x5A, sizeof keys);
    ReadPackageKeys(f, &keys);
    fclose(f);
    return keys;
}

}  // namespace

TEST(PackageKeys, ReadsTheFourKeysOfASampleScript)
{
    PackageKeys k = Read("[Setup]\r\r\nDEFAULTDIR=C:\\BOOK\r\r\nPUBNAME=\"A Book\"\r\r\n"
                         "R1=159,159,159,2,0,3\r\r\nR2=000,064,128\r\r\nMAINFILE=x.pdf\r\r\n");
    EXPECT_STREQ("C:\\BOOK", k.defaultDir);
    EXPECT_STREQ("\"A Book\"", k.pubName) << "values are taken as they stand";
    EXPECT_STREQ("159,159,159,2,0,3", k.r1);
    EXPECT_STREQ("000,064,128", k.r2);
}

TEST(PackageKeys, CaseRepeatsAndAbsentKeys)
{
    PackageKeys k = Read("defaultdir=c:\\one\nPubName=First\npubname=Second\n R1=indented\n");
    EXPECT_STREQ("c:\\one", k.defaultDir);
    EXPECT_STREQ("Second", k.pubName) << "the later line wins";
    EXPECT_STREQ("", k.r1) << "a key must start the line";
    EXPECT_STREQ("", k.r2);
}

TEST(PackageKeys, LongLinesAreReadIn255CharacterPieces)
{
    std::string first = "PUBNAME=" + std::string(247, 'a');  // 255 characters
    PackageKeys k = Read(first + "R2=1,2,3\n");
    EXPECT_EQ(std::string(247, 'a'), k.pubName);
    EXPECT_STREQ("1,2,3", k.r2) << "the rest of a long line is a line of its own";
}

TEST(PackageKeys, MatchScriptKeyNeedsTheWholeKey)
{
    EXPECT_STREQ("x", MatchScriptKey("r1=x", "R1="));
    EXPECT_EQ(nullptr, MatchScriptKey("R1", "R1="));
    EXPECT_EQ(nullptr, MatchScriptKey("R12=x", "R1="));
}
