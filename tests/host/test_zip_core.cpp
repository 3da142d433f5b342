// The unzip core against good and hostile archives, expanded into memory.
#include <gtest/gtest.h>

#include <random>

#include "zip_fixture.h"

namespace {

std::string Random(size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char &c : s)
        c = (char)(gen() & 0xFF);
    return s;
}

std::string Text(size_t n)
{
    std::string s;
    while (s.size() < n)
        s += "The keeper climbed the hundred steps of the lighthouse. ";
    s.resize(n);
    return s;
}

FixtureMember Member(const std::string &name, const std::string &data, int method = 8)
{
    FixtureMember m;
    m.name = name;
    m.data = data;
    m.method = method;
    return m;
}

}  // namespace

TEST(ZipCore, StoredDeflatedEmptyAndDirectoryMembersExpand)
{
    std::vector<FixtureMember> members = {
        Member("LICENSE.TXT", Text(3000), 0),
        Member("icons/big.bin", Random(200000, 1) + Text(150000)),
        Member("empty.txt", "", 0),
        Member("empty2.txt", ""),
        Member("docs/sub/", "", 0),
        Member("./SETUP.INI", "[Setup]\r\n"),
    };
    MemFs fs;
    fs.archive = MakeZip(members);
    ZipStats st;
    EXPECT_EQ(kZipDone, ExpandInMemory(&fs, &st));

    EXPECT_EQ(Text(3000), fs.files["LICENSE.TXT"]);
    EXPECT_EQ(Random(200000, 1) + Text(150000), fs.files["icons/big.bin"]);
    EXPECT_EQ(1u, fs.files.count("empty.txt"));
    EXPECT_EQ("", fs.files["empty2.txt"]);
    EXPECT_EQ("[Setup]\r\n", fs.files["SETUP.INI"]);
    EXPECT_EQ(5u, fs.files.size());
    EXPECT_EQ((std::set<std::string>{"icons", "docs", "docs/sub"}), fs.dirs);
    EXPECT_EQ((std::vector<uint32_t>{0, 1, 2, 3, 4, 5}), fs.progressIndex);
    EXPECT_EQ(6u, fs.progressCount);
    EXPECT_EQ(6u, st.members);
    EXPECT_EQ(5u, st.files);
    EXPECT_EQ(1u, st.dirs);
    EXPECT_EQ(3000u + 350000u + 9u, st.bytesWritten);
    EXPECT_EQ(0, fs.openFiles);
    // Streams through the fixed buffers: never one write of a whole member.
    EXPECT_LE(fs.largestWrite, (uint32_t)kZipBufferSize);
}

TEST(ZipCore, MembersAroundOneBufferSize)
{
    for (size_t n : {(size_t)kZipBufferSize - 1, (size_t)kZipBufferSize, (size_t)kZipBufferSize + 1,
                     2 * (size_t)kZipBufferSize}) {
        MemFs fs;
        fs.archive = MakeZip({Member("s", Random(n, 7), 0), Member("d", Random(n, 8), 8)});
        ZipStats st;
        EXPECT_EQ(kZipDone, ExpandInMemory(&fs, &st)) << n;
        EXPECT_EQ(Random(n, 7), fs.files["s"]) << n;
        EXPECT_EQ(Random(n, 8), fs.files["d"]) << n;
    }
}

TEST(ZipCore, SafeNames)
{
    struct Case {
        const char *name;
        int kind;
        const char *path;
    } cases[] = {
        {"a.txt", kZipNameFile, "a.txt"},
        {"dir\\sub\\a.txt", kZipNameFile, "dir/sub/a.txt"},
        {"./a//b", kZipNameFile, "a/b"},
        {"dir/", kZipNameDir, "dir"},
        {"a..b/c.", kZipNameFile, "a..b/c."},
        {"../x", kZipNameUnsafe, ""},
        {"..\\x", kZipNameUnsafe, ""},
        {"a/../../x", kZipNameUnsafe, ""},
        {"a\\..\\..\\x", kZipNameUnsafe, ""},
        {"a/..", kZipNameUnsafe, ""},
        {"a/.../x", kZipNameUnsafe, ""},
        {"a/. ./x", kZipNameUnsafe, ""},
        {"/etc/passwd", kZipNameUnsafe, ""},
        {"\\Windows\\x", kZipNameUnsafe, ""},
        {"\\\\server\\share\\x", kZipNameUnsafe, ""},
        {"//server/share/x", kZipNameUnsafe, ""},
        {"C:\\x", kZipNameUnsafe, ""},
        {"C:x", kZipNameUnsafe, ""},
        {"a.txt:stream", kZipNameUnsafe, ""},
        {"a\nb", kZipNameUnsafe, ""},
        {"a*b", kZipNameUnsafe, ""},
        {"./", kZipNameUnsafe, ""},
        {"", kZipNameUnsafe, ""},
    };
    for (const Case &c : cases) {
        char out[64] = "";
        int kind = ZipSafeName(c.name, strlen(c.name), out, sizeof out);
        EXPECT_EQ(c.kind, kind) << c.name;
        if (kind != kZipNameUnsafe)
            EXPECT_STREQ(c.path, out) << c.name;
    }
    // An embedded NUL, and a name one byte too long for the buffer.
    char out[8];
    EXPECT_EQ(kZipNameUnsafe, ZipSafeName("a\0b", 3, out, sizeof out));
    EXPECT_EQ(kZipNameFile, ZipSafeName("1234567", 7, out, sizeof out));
    EXPECT_EQ(kZipNameUnsafe, ZipSafeName("12345678", 8, out, sizeof out));
}

TEST(ZipCore, HostileNamesAreNeverWrittenAndTheRestIs)
{
    MemFs fs;
    fs.archive = MakeZip({
        Member("../evil1", "x"),
        Member("sub/../../evil2", "x"),
        Member("..\\evil3", "x", 0),
        Member("C:\\evil4", "x"),
        Member("\\\\host\\share\\evil5", "x"),
        Member("/abs/evil6", "x"),
        Member("sub/../../", "", 0),
        Member("good.txt", "fine"),
        Member(std::string(600, 'n'), "too long"),
    });
    ZipStats st;
    EXPECT_EQ(kZipDone, ExpandInMemory(&fs, &st));
    EXPECT_EQ((std::map<std::string, std::string>{{"good.txt", "fine"}}), fs.files);
    EXPECT_TRUE(fs.dirs.empty());
    EXPECT_EQ(8u, st.unsafe);
    EXPECT_EQ(9u, fs.progressIndex.size());
}

TEST(ZipCore, CorruptMembersAreRemovedAndTheNextOneExpands)
{
    std::vector<FixtureMember> members;
    FixtureMember m = Member("badcrc_stored", Text(5000), 0);
    m.crcXor = 1;
    members.push_back(m);
    m = Member("badcrc_deflated", Text(100000));
    m.crcXor = 0x80000000u;
    members.push_back(m);
    m = Member("short_size", Text(100000));  // more data than recorded: a bomb
    m.sizeDelta = -10;
    members.push_back(m);
    m = Member("long_size", Text(1000));
    m.sizeDelta = 10;
    members.push_back(m);
    m = Member("stored_sizes_differ", Text(1000), 0);
    m.sizeDelta = -1;
    members.push_back(m);
    m = Member("cut_stream", Random(20000, 3));  // compressed data ends early
    m.packedDelta = -100;
    members.push_back(m);
    members.push_back(Member("good", Text(7000)));
    m = Member("packed_past_directory", Text(100), 0);
    m.packedDelta = 1000;
    m.sizeDelta = 1000;
    members.push_back(m);

    MemFs fs;
    fs.archive = MakeZip(members);
    ZipStats st;
    EXPECT_EQ(kZipDone, ExpandInMemory(&fs, &st));
    EXPECT_EQ((std::map<std::string, std::string>{{"good", Text(7000)}}), fs.files);
    EXPECT_EQ(7u, st.corrupt);
    EXPECT_EQ(1u, st.files);
    EXPECT_EQ(0, fs.openFiles);
    // The bomb is cut off after a buffer or so past its recorded size.
    EXPECT_LT(fs.written, 5000u + 1000u + 100000u + 1000u + 20000u + 7000u + 2u * kZipBufferSize);
}

TEST(ZipCore, UnsupportedMembersAreSkipped)
{
    FixtureMember enc = Member("secret", "x");
    enc.encrypted = true;
    FixtureMember bzip = Member("bz", "x", 12);
    MemFs fs;
    fs.archive = MakeZip({enc, bzip, Member("ok", "y")});
    ZipStats st;
    EXPECT_EQ(kZipDone, ExpandInMemory(&fs, &st));
    EXPECT_EQ((std::map<std::string, std::string>{{"ok", "y"}}), fs.files);
    EXPECT_EQ(2u, st.unsupported);
}

// Cutting the archive anywhere loses its end record: nothing may be written,
// least of all a file that looks good but is not.
TEST(ZipCore, TruncationAnywhereWritesNothing)
{
    std::string whole = MakeZip({Member("a", Text(300), 0), Member("d/b", Text(2000))});
    for (size_t len = 0; len < whole.size(); ++len) {
        MemFs fs;
        fs.archive = whole.substr(0, len);
        EXPECT_EQ(kZipNotArchive, ExpandInMemory(&fs, nullptr)) << len;
        EXPECT_TRUE(fs.files.empty()) << len;
    }
}

// With the end record kept, data or directory cut out in the middle leaves
// only complete, verified files.
TEST(ZipCore, RegionsCutOutLeaveOnlyGoodFiles)
{
    std::vector<FixtureMember> members = {Member("a", Text(300), 0), Member("b", Text(2000)),
                                          Member("c", Random(500, 2), 0)};
    std::string whole = MakeZip(members);
    std::map<std::string, std::string> good = {
        {"a", Text(300)}, {"b", Text(2000)}, {"c", Random(500, 2)}};
    for (size_t cut = 0; cut + 22 < whole.size(); ++cut) {
        MemFs fs;
        // Remove 7 bytes at cut, then keep the tail: every offset after it shifts.
        fs.archive = whole.substr(0, cut) + whole.substr(cut + 7);
        ExpandInMemory(&fs, nullptr);
        for (const auto &f : fs.files)
            EXPECT_EQ(good[f.first], f.second) << "cut at " << cut << ": " << f.first;
        EXPECT_EQ(0, fs.openFiles);
    }
}

TEST(ZipCore, NotAZip)
{
    for (const std::string &bytes : {std::string(), std::string("PK\x05\x06"), Random(5000, 9),
                                     std::string(100, '\0')}) {
        MemFs fs;
        fs.archive = bytes;
        EXPECT_EQ(kZipNotArchive, ExpandInMemory(&fs, nullptr));
        EXPECT_TRUE(fs.progressIndex.empty());
    }
    // An end record whose directory lies past it.
    MemFs fs;
    fs.archive = MakeZip({Member("a", "b")});
    fs.archive[fs.archive.size() - 6] = (char)0x7F;
    EXPECT_EQ(kZipNotArchive, ExpandInMemory(&fs, nullptr));
    EXPECT_TRUE(fs.files.empty());
}

TEST(ZipCore, CallbackZeroStopsBeforeTheMember)
{
    MemFs fs;
    fs.archive = MakeZip({Member("a", "1"), Member("b", "2"), Member("c", "3")});
    fs.stopAtCall = 1;
    EXPECT_EQ(kZipStopped, ExpandInMemory(&fs, nullptr));
    EXPECT_EQ((std::map<std::string, std::string>{{"a", "1"}}), fs.files);
    EXPECT_EQ(2u, fs.progressIndex.size());
}

TEST(ZipCore, WriteFailureStopsAndRemovesThePartialFile)
{
    MemFs fs;
    fs.archive = MakeZip({Member("a", Text(1000)), Member("b", Random(100000, 4)),
                          Member("c", "never")});
    fs.writeBudget = 50000;
    EXPECT_EQ(kZipWriteFailed, ExpandInMemory(&fs, nullptr));
    EXPECT_EQ((std::map<std::string, std::string>{{"a", Text(1000)}}), fs.files);
    EXPECT_EQ(2u, fs.progressIndex.size());
    EXPECT_EQ(0, fs.openFiles);
}

TEST(ZipCore, FileThatCannotBeCreatedIsPassedOver)
{
    MemFs fs;
    fs.archive = MakeZip({Member("locked", "1"), Member("free", "2")});
    fs.refuseCreate.insert("locked");
    ZipStats st;
    EXPECT_EQ(kZipDone, ExpandInMemory(&fs, &st));
    EXPECT_EQ((std::map<std::string, std::string>{{"free", "2"}}), fs.files);
    EXPECT_EQ(1u, st.notCreated);
}
