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

namespace {

std::string FromHex(const char *hex)
{
    std::string out;
    for (; hex[0] != '\0' && hex[1] != '\0'; hex += 2)
        out += (char)strtol(std::string(hex, 2).c_str(), nullptr, 16);
    return out;
}

// Info-ZIP's "zip -X -fz" of LICENSE.TXT (stored) and docs/book.txt
// (deflated): zip64 end records and extra fields for a small archive.
const char kInfoZipZip64[] =
    "504b03042d00000000001580885dba751a5cffffffffffffffff0b0014004c4943454e53452e54585401001000190000"
    "00000000001900000000000000596f75206d61792072656164207468697320626f6f6b2e0d0a504b03042d0000000800"
    "1680885db420f04affffffffffffffff0d001400646f63732f626f6f6b2e747874010010005802000000000000260000"
    "00000000000bc94855c84e4d2d482d5248cec9cc4d4a4d5128010a1597a41614eb29848cca8eca92250b00504b01021e"
    "032d00000000001580885dba751a5c19000000ffffffff0b000c000000000001000000a481000000004c4943454e5345"
    "2e545854010008001900000000000000504b01021e032d00000008001680885db420f04a26000000ffffffff0d000c00"
    "0000000001000000a48156000000646f63732f626f6f6b2e747874010008005802000000000000504b06062c00000000"
    "0000001e032d000000000000000000020000000000000002000000000000008c00000000000000bb0000000000000050"
    "4b060700000000470100000000000001000000504b050600000000020002008c000000ffffffff0000";

}  // namespace

TEST(ZipCore, Zip64ArchivesExpand)
{
    MemFs real;
    real.archive = FromHex(kInfoZipZip64);
    ZipStats st;
    EXPECT_EQ(kZipDone, ExpandInMemory(&real, &st));
    std::string book;
    for (int i = 0; i < 20; ++i)
        book += "The keeper climbed the steps. ";
    EXPECT_EQ((std::map<std::string, std::string>{{"LICENSE.TXT", "You may read this book.\r\n"},
                                                   {"docs/book.txt", book}}),
              real.files);
    EXPECT_EQ(2u, st.files);

    // Every size, offset and count saturated, another extra field first.
    MemFs fs;
    fs.archive = MakeZip64({Member("a.txt", Text(5000)), Member("b/c.bin", Random(3000, 2), 0)});
    EXPECT_EQ(kZipDone, ExpandInMemory(&fs, &st));
    EXPECT_EQ((std::map<std::string, std::string>{{"a.txt", Text(5000)},
                                                   {"b/c.bin", Random(3000, 2)}}),
              fs.files);
}

TEST(ZipCore, Zip64RecordsAreBoundsChecked)
{
    const std::string good = MakeZip64({Member("a.txt", Text(100))});
    const size_t locator = good.size() - 22 - 20;
    const size_t record = locator - 56;
    struct Spoil {
        const char *what;
        size_t at;
        uint32_t value;  // written as 32 bits little-endian
    } spoils[] = {
        {"locator signature", locator, 0},
        {"zip64 record beyond the locator", locator + 8, (uint32_t)locator},
        {"zip64 record offset high half", locator + 12, 1},
        {"zip64 record signature", record, 0},
        {"directory beyond the zip64 record", record + 48, (uint32_t)record},
        {"entry count not the disk's", record + 24, 2},
        {"entry count past 32 bits", record + 36, 1},
        {"second disk", record + 16, 1},
    };
    for (const Spoil &s : spoils) {
        std::string bad = good;
        for (int i = 0; i < 4; ++i)
            bad[s.at + i] = (char)(s.value >> (8 * i));
        MemFs fs;
        fs.archive = bad;
        EXPECT_EQ(kZipNotArchive, ExpandInMemory(&fs, nullptr)) << s.what;
        EXPECT_TRUE(fs.files.empty()) << s.what;
    }

    // A zip64 extra field cut short, or one that points the data elsewhere.
    const size_t zip64Len = good.find("a.txt", good.find(std::string("\x50\x4b\x01\x02", 4))) + 5 + 9 + 2;
    std::string cut = good;
    cut[zip64Len] = 8;  // 8 of its 24 bytes: the offset is missing
    MemFs fs;
    fs.archive = cut;
    ZipStats st;
    EXPECT_EQ(kZipDone, ExpandInMemory(&fs, &st));
    EXPECT_TRUE(fs.files.empty());
    EXPECT_EQ(1u, st.corrupt);

    std::string moved = good;
    moved[zip64Len + 2 + 16] = 1;  // local header offset 1: no header there
    fs = MemFs();
    fs.archive = moved;
    EXPECT_EQ(kZipDone, ExpandInMemory(&fs, &st));
    EXPECT_TRUE(fs.files.empty());
    EXPECT_EQ(1u, st.corrupt);
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
        {"CON", kZipNameUnsafe, ""},
        {"docs/nul.txt", kZipNameUnsafe, ""},
        {"Aux.tar.gz", kZipNameUnsafe, ""},
        {"prn /x", kZipNameUnsafe, ""},
        {"com1", kZipNameUnsafe, ""},
        {"LPT9 .log", kZipNameUnsafe, ""},
        {"lpt5/", kZipNameUnsafe, ""},
        {"console.txt", kZipNameFile, "console.txt"},
        {"com10", kZipNameFile, "com10"},
        {"com0", kZipNameFile, "com0"},
        {"xcon/nulx", kZipNameFile, "xcon/nulx"},
        {"LPT", kZipNameFile, "LPT"},
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

// What DUNZIP32.DLL reports: done only when every member is in the target.
TEST(ZipCore, OutcomeIsDoneOnlyWhenEveryMemberIsWritten)
{
    ZipStats st;
    MemFs full;  // the disk fills up in the middle of the second member
    full.archive = MakeZip({Member("LICENSE.TXT", Text(2000)), Member("book", Random(200000, 5), 0),
                            Member("SETUP.INI", "[Setup]")});
    full.writeBudget = 2000 + 100000;
    EXPECT_EQ(kZipWriteFailed, ZipOutcome(ExpandInMemory(&full, &st), &st));
    EXPECT_EQ((std::map<std::string, std::string>{{"LICENSE.TXT", Text(2000)}}), full.files);

    // Every member visited, one not in the target: locked, damaged, encrypted.
    FixtureMember bad = Member("odd", Text(100)), secret = Member("odd", "x");
    bad.crcXor = 1;
    secret.encrypted = true;
    for (int k = 0; k < 3; ++k) {
        MemFs fs;
        fs.archive = MakeZip({Member("ok", "y"), k == 0 ? Member("odd", "z") : k == 1 ? bad : secret});
        if (k == 0)
            fs.refuseCreate.insert("odd");
        int rc = ExpandInMemory(&fs, &st);
        EXPECT_EQ(kZipDone, rc) << k;
        EXPECT_EQ(kZipIncomplete, ZipOutcome(rc, &st)) << k;
    }

    // A member passed over for its name is missing as surely as a damaged
    // one: a licence stored as "/LICENSE.TXT" would never be shown.
    for (const char *name : {"../evil", "/LICENSE.TXT", "CON.TXT"}) {
        MemFs hostile;
        hostile.archive = MakeZip({Member(name, "x"), Member("ok", "y")});
        int rc = ExpandInMemory(&hostile, &st);
        EXPECT_EQ(kZipDone, rc) << name << ": the others are still expanded";
        EXPECT_EQ(1u, hostile.files.count("ok")) << name;
        EXPECT_EQ(kZipIncomplete, ZipOutcome(rc, &st)) << name;
    }
}
