#include <gtest/gtest.h>
#include <string.h>

#include <string>
#include <vector>

#include "setup/bitmap/dib.h"
#include "dib_fixture.h"

namespace {

const unsigned char *U(const std::string &s)
{
    return (const unsigned char *)s.data();
}

// What the loader does with a file's bytes: the layout, then the header
// block with the table read from where the layout says and widened.
struct Loaded {
    int ok = 0;
    DibLayout layout = {};
    std::vector<unsigned char> block;
};

Loaded Load(const std::string &file)
{
    Loaded r;
    DibFileHeader fh;
    size_t at = BmpParseFileHeader(U(file), file.size(), &fh) ? kDibFileHeaderBytes : 0;
    size_t got = file.size() - at < 40 ? file.size() - at : 40;
    r.ok = BmpParseHeader(&fh, 0, U(file) + at, got, file.size(), &r.layout);
    if (!r.ok)
        return r;
    r.block.assign(r.layout.headerBlockBytes, 0);
    BmpPutInfoHeader(r.block.data(), &r.layout);
    memcpy(r.block.data() + 40, file.data() + r.layout.tableStart, r.layout.tableFileBytes);
    if (r.layout.fileEntryBytes == 3)
        BmpWidenCoreTable(r.block.data() + 40, r.layout.colourCount);
    return r;
}

std::vector<DibPaletteEntry> Palette(const Loaded &r)
{
    std::vector<DibPaletteEntry> entries(kDibMaxColours);
    entries.resize(BmpPaletteEntries(r.block.data(), entries.data()));
    return entries;
}

}  // namespace

TEST(Dib, BareDibLoadsLikeTheFullFileWithPixelsBehindTheTable)
{
    DibRecipe recipe;
    recipe.bitCount = 4;
    recipe.width = 9;
    Loaded full = Load(MakeDib(recipe));
    recipe.fileHeader = false;
    Loaded bare = Load(MakeDib(recipe));
    ASSERT_TRUE(full.ok && bare.ok);
    EXPECT_EQ(full.block, bare.block);
    EXPECT_EQ(14u + 40 + 64, full.layout.pixelStart);
    EXPECT_EQ(40u + 64, bare.layout.pixelStart);
    EXPECT_EQ(16u, bare.layout.colourCount);

    // A file header with pixel offset 0 also means "right behind the table".
    recipe.fileHeader = true;
    recipe.zeroOffset = true;
    EXPECT_EQ(14u + 40 + 64, Load(MakeDib(recipe)).layout.pixelStart);
}

TEST(Dib, PixelOffsetPastAGapIsWhereThePixelsAre)
{
    DibRecipe recipe;
    recipe.gap = 77;
    std::string file = MakeDib(recipe);
    Loaded r = Load(file);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(14u + 40 + 1024 + 77, r.layout.pixelStart);
    EXPECT_EQ(DibPixels(4, 2, 8), file.substr(r.layout.pixelStart));
}

TEST(Dib, CoreHeaderIsWidenedToAnInfoHeaderWithFourByteEntriesInOrder)
{
    DibRecipe recipe;
    recipe.core = true;
    recipe.width = 300;
    recipe.height = 7;
    Loaded r = Load(MakeDib(recipe));
    ASSERT_TRUE(r.ok);
    DibInfoHeader h;
    memcpy(&h, r.block.data(), sizeof h);
    EXPECT_EQ(40u, h.size);
    EXPECT_EQ(300, h.width);
    EXPECT_EQ(7, h.height);
    EXPECT_EQ(8, h.bitCount);
    EXPECT_EQ(0u, h.compression);
    EXPECT_EQ(300u * 7, h.sizeImage);
    EXPECT_EQ(256u, h.clrUsed);
    EXPECT_EQ(256u, h.clrImportant);
    EXPECT_EQ(40u + 256 * 4, r.block.size());
    EXPECT_EQ(14u + 12 + 256 * 3, r.layout.pixelStart);
    for (int i : {0, 1, 128, 255}) {
        const unsigned char *e = r.block.data() + 40 + i * 4;
        EXPECT_EQ(DibTableBlue(i), e[0]) << i;
        EXPECT_EQ(DibTableGreen(i), e[1]) << i;
        EXPECT_EQ(DibTableRed(i), e[2]) << i;
        EXPECT_EQ(0, e[3]) << i;
    }
}

TEST(Dib, TwentyColoursUsedGiveTwentyEntriesAndTwentyIndices)
{
    DibRecipe recipe;
    recipe.clrUsed = 20;
    Loaded r = Load(MakeDib(recipe));
    ASSERT_TRUE(r.ok);
    std::vector<DibPaletteEntry> pal = Palette(r);
    ASSERT_EQ(20u, pal.size());
    EXPECT_EQ(DibTableRed(19), pal[19].red);
    EXPECT_EQ(DibTableGreen(19), pal[19].green);
    EXPECT_EQ(DibTableBlue(19), pal[19].blue);
    EXPECT_EQ(0, pal[19].flags);

    BmpWritePaletteIndices(r.block.data());
    for (int i = 0; i < 20; i++)
        EXPECT_EQ(i, r.block[40 + i * 2] | r.block[41 + i * 2] << 8);
}

TEST(Dib, TwentyFourBitPicturesGetTheFixedPalette)
{
    DibRecipe recipe;
    recipe.bitCount = 24;
    Loaded r = Load(MakeDib(recipe));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(0u, r.layout.colourCount);
    std::vector<DibPaletteEntry> pal = Palette(r);
    ASSERT_EQ(256u, pal.size());
    EXPECT_EQ(32, pal[9].red);
    EXPECT_EQ(32, pal[9].green);
    EXPECT_EQ(0, pal[9].blue);
    EXPECT_EQ(224, pal[255].red);
    EXPECT_EQ(224, pal[255].green);
    EXPECT_EQ(192, pal[255].blue);
    EXPECT_EQ(64, pal[64].blue);
    EXPECT_EQ(0, pal[64].red);

    // With a table of its own, the table is the palette.
    recipe.clrUsed = 3;
    ASSERT_EQ(3u, Palette(Load(MakeDib(recipe))).size());
}

TEST(Dib, SixteenAndThirtyTwoBitPicturesHaveNoPalette)
{
    for (uint16_t bits : {16, 32}) {
        DibRecipe recipe;
        recipe.bitCount = bits;
        Loaded r = Load(MakeDib(recipe));
        ASSERT_TRUE(r.ok) << bits;
        EXPECT_TRUE(Palette(r).empty()) << bits;
    }
}

TEST(Dib, ImageSizeIsWorkedOutAndAnUncompressedOneIsAlwaysTheRows)
{
    DibRecipe recipe;
    recipe.width = 5;  // 8 bytes a row, padded
    recipe.height = 3;
    EXPECT_EQ(24u, Load(MakeDib(recipe)).layout.info.sizeImage);
    EXPECT_EQ(40u + 1024 + 24, Load(MakeDib(recipe)).layout.wholeBlockBytes);
    // A short field would let the platform read past the block.
    recipe.sizeImage = 3;
    EXPECT_EQ(24u, Load(MakeDib(recipe)).layout.info.sizeImage);
    recipe.bitCount = 1;
    recipe.sizeImage = 0;
    EXPECT_EQ(12u, Load(MakeDib(recipe)).layout.info.sizeImage);

    // Compressed data is as long as the field says; 0 means the rows.
    DibRecipe rle;
    rle.compression = 1;
    rle.pixels = "\x00\x01";
    rle.sizeImage = 2;
    EXPECT_EQ(2u, Load(MakeDib(rle)).layout.info.sizeImage);
    rle.sizeImage = 0;
    EXPECT_EQ(8u, Load(MakeDib(rle)).layout.info.sizeImage);
}

TEST(Dib, HeadersThatAreNoPictureAreRefused)
{
    DibRecipe recipe;
    for (uint32_t size : {108u, 124u, 64u, 0u}) {
        recipe.headerSize = size;
        EXPECT_FALSE(Load(MakeDib(recipe)).ok) << "header size " << size;
    }
    // Fewer than 40 bytes behind the file header, even for a core header.
    recipe = DibRecipe();
    recipe.core = true;
    recipe.bitCount = 1;
    recipe.width = 1;
    recipe.height = 1;
    std::string tiny = MakeDib(recipe);
    ASSERT_LT(tiny.size(), 14u + 40);
    EXPECT_FALSE(Load(tiny).ok);
}

// The bitmap suite's bad files (top-down, zero or too many rows or columns,
// unknown pixel sizes and compressions, images over 4 GB) are refused by
// SuiteFilesGetTheirVerdicts; here the limits themselves.
TEST(Dib, SizesFromTheHeaderAreCheckedBeforeUse)
{
    // Largest sides and the largest image a 32-bit field holds are fine.
    DibRecipe big;
    big.bitCount = 8;
    big.width = 65535;
    big.height = 65535;
    big.pixels = "x";
    Loaded r = Load(MakeDib(big));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(65536ull * 65535, r.layout.info.sizeImage);

    big.height = 65536;
    EXPECT_FALSE(Load(MakeDib(big)).ok);
    big.height = 1;
    big.width = 65536;
    EXPECT_FALSE(Load(MakeDib(big)).ok);

    // A colour table cut short is what the file holds and zeros, also in a bare DIB.
    DibRecipe cut;
    cut.fileHeader = false;
    cut.cutTo = 40 + 1024;
    EXPECT_TRUE(Load(MakeDib(cut)).ok);
    cut.cutTo = 40 + 1022;  // the last entry's blue and green, not its red
    r = Load(MakeDib(cut));
    EXPECT_TRUE(r.ok && r.block[40 + 255 * 4] == 255 && r.block[40 + 255 * 4 + 2] == 0);
    EXPECT_EQ(cut.cutTo, r.layout.pixelStart) << "no pixels";
}

TEST(Dib, AnOversizeTableIsCutToWhatThePixelsCanIndex)
{
    DibRecipe recipe;
    recipe.fileHeader = false;
    recipe.bitCount = 4;
    recipe.clrUsed = 40;
    Loaded r = Load(MakeDib(recipe));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(16u, r.layout.colourCount);
    EXPECT_EQ(16u, r.layout.info.clrUsed);
    EXPECT_EQ(40u + 16 * 4, r.block.size());
    EXPECT_EQ(40u + 40 * 4, r.layout.pixelStart) << "pixels still behind the whole table";
}

TEST(Dib, BandHeightsStepDownByTwentyToNoLessThanFifty)
{
    auto tries = [](int height) {
        std::vector<int> out;
        for (int h = height; h > 0; h = BmpNextBandHeight(h))
            out.push_back(h);
        return out;
    };
    std::vector<int> t300 = tries(300);
    EXPECT_EQ(300, t300.front());
    EXPECT_EQ(60, t300.back());
    EXPECT_EQ(13u, t300.size());
    EXPECT_EQ(std::vector<int>{40}, tries(40));
    EXPECT_EQ(std::vector<int>{69}, tries(69));
    EXPECT_EQ((std::vector<int>{70, 50}), tries(70));
}

TEST(Dib, BandsRunBottomUp)
{
    auto bands = [](int height, int rows) {
        std::vector<std::pair<int, int>> out;
        int bottom = height;
        DibBand b;
        while (BmpNextBand(&bottom, rows, &b))
            out.push_back({b.top, b.rows});
        return out;
    };
    EXPECT_EQ((std::vector<std::pair<int, int>>{{100, 50}, {50, 50}, {0, 50}}), bands(150, 50));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{80, 50}, {30, 50}, {0, 30}}), bands(130, 50));
    EXPECT_EQ((std::vector<std::pair<int, int>>{{0, 40}}), bands(40, 40));
}

TEST(Dib, SuiteFilesGetTheirVerdicts)
{
    for (const SuiteFile &f : DibSuite()) {
        Loaded r = Load(f.bytes);
        EXPECT_EQ(f.loads, r.ok != 0) << f.name;
        if (r.ok)
            EXPECT_LE(r.layout.pixelStart, f.bytes.size()) << f.name;
    }
}
