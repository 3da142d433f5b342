#include "dib_fixture.h"

namespace {

void Put16(std::string &s, uint32_t v)
{
    s += (char)(v & 0xFF);
    s += (char)((v >> 8) & 0xFF);
}

void Put32(std::string &s, uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

uint32_t RowBytes(int32_t width, uint16_t bitCount)
{
    return (uint32_t)(((uint64_t)bitCount * (uint32_t)width + 31) / 32 * 4);
}

int ImpliedEntries(const DibRecipe &s)
{
    if (!s.core && s.clrUsed != 0)
        return (int)s.clrUsed;
    return s.bitCount <= 8 ? 1 << s.bitCount : 0;
}

// RLE8 of a 4 x 2 picture: a run, a literal, end of line, end of bitmap.
std::string Rle8Sample()
{
    return std::string("\x02\x05\x00\x02\x07\x08\x00\x00"
                       "\x04\x09\x00\x01", 12);
}

// RLE4 of a 4 x 2 picture, the same shape in nibbles.
std::string Rle4Sample()
{
    return std::string("\x04\x12\x00\x00\x04\x34\x00\x01", 8);
}

}  // namespace

uint8_t DibTableBlue(int i) { return (uint8_t)i; }
uint8_t DibTableGreen(int i) { return (uint8_t)(255 - i); }
uint8_t DibTableRed(int i) { return (uint8_t)(i * 7); }

std::string DibPixels(int32_t width, int32_t height, uint16_t bitCount)
{
    uint32_t row = RowBytes(width, bitCount);
    uint32_t used = (uint32_t)(((uint64_t)bitCount * (uint32_t)width + 7) / 8);
    std::string out;
    for (int32_t y = 0; y < height; y++)
        for (uint32_t i = 0; i < row; i++)
            out += (char)(i < used ? (i + 3 * (uint32_t)y) & 0xFF : 0);
    return out;
}

std::string MakeDib(const DibRecipe &s)
{
    std::string header;
    if (s.core) {
        Put32(header, 12);
        Put16(header, (uint32_t)s.width);
        Put16(header, (uint32_t)s.height);
        Put16(header, s.planes);
        Put16(header, s.bitCount);
    } else {
        Put32(header, s.headerSize);
        Put32(header, (uint32_t)s.width);
        Put32(header, (uint32_t)s.height);
        Put16(header, s.planes);
        Put16(header, s.bitCount);
        Put32(header, s.compression);
        Put32(header, s.sizeImage);
        Put32(header, 2835);
        Put32(header, 2835);
        Put32(header, s.clrUsed);
        Put32(header, 0);
        if (s.headerSize > header.size())
            header.append(s.headerSize - header.size(), '\0');
    }
    int entries = s.tableEntries >= 0 ? s.tableEntries : ImpliedEntries(s);
    std::string table;
    for (int i = 0; i < entries; i++) {
        table += (char)DibTableBlue(i);
        table += (char)DibTableGreen(i);
        table += (char)DibTableRed(i);
        if (!s.core)
            table += '\0';
    }
    std::string pixels = s.pixels;
    if (pixels.empty() && s.compression == 0 && s.width > 0)
        pixels = DibPixels(s.width, s.height < 0 ? -s.height : s.height, s.bitCount);

    std::string body = header + table + std::string(s.gap, '\xEE');
    std::string file;
    if (s.fileHeader) {
        file = "BM";
        Put32(file, (uint32_t)(14 + body.size() + pixels.size()));
        Put32(file, 0);
        Put32(file, s.zeroOffset ? 0 : (uint32_t)(14 + body.size()));
    }
    file += body + pixels;
    if (s.cutTo < file.size())
        file.resize(s.cutTo);
    return file;
}

std::string MakeMarkedDib24(int width, int height, int marker, const uint8_t back[3],
                            const uint8_t mark[3])
{
    DibRecipe s;
    s.width = width;
    s.height = height;
    s.bitCount = 24;
    uint32_t row = RowBytes(width, 24);
    std::string pixels(row * (size_t)height, '\0');
    for (int fileRow = 0; fileRow < height; fileRow++) {
        int y = height - 1 - fileRow;  // top-down row
        for (int x = 0; x < width; x++) {
            const uint8_t *c = x < marker && y < marker ? mark : back;
            size_t at = (size_t)fileRow * row + (size_t)x * 3;
            pixels[at] = (char)c[2];
            pixels[at + 1] = (char)c[1];
            pixels[at + 2] = (char)c[0];
        }
    }
    s.pixels = pixels;
    return MakeDib(s);
}

std::vector<SuiteFile> DibSuite()
{
    std::vector<SuiteFile> suite;
    auto add = [&suite](const char *name, const DibRecipe &s, bool loads) {
        suite.push_back({name, MakeDib(s), loads});
    };
    DibRecipe s;

    // Good files.
    s = DibRecipe(); s.bitCount = 1; s.width = 33; s.height = 7;
    add("g/pal1.bmp", s, true);
    s = DibRecipe(); s.bitCount = 4; s.width = 9; s.height = 5;
    add("g/pal4.bmp", s, true);
    s = DibRecipe(); s.width = 127; s.height = 9;
    add("g/pal8w127.bmp", s, true);
    s = DibRecipe(); s.clrUsed = 20;
    add("g/pal8-20.bmp", s, true);
    s = DibRecipe(); s.core = true; s.width = 11; s.height = 3;
    add("g/pal8os2.bmp", s, true);
    s = DibRecipe(); s.core = true; s.bitCount = 24; s.width = 5; s.height = 3;
    add("g/rgb24os2.bmp", s, true);
    s = DibRecipe(); s.fileHeader = false; s.bitCount = 4;
    add("g/pal4nofilehdr.bmp", s, true);
    s = DibRecipe(); s.gap = 100;
    add("g/pal8gap.bmp", s, true);
    s = DibRecipe(); s.bitCount = 24; s.width = 31; s.height = 4;
    add("g/rgb24.bmp", s, true);
    s = DibRecipe(); s.compression = 1; s.pixels = Rle8Sample(); s.sizeImage = 12;
    add("g/pal8rle.bmp", s, true);
    s = DibRecipe(); s.bitCount = 4; s.compression = 2; s.pixels = Rle4Sample();
    add("g/pal4rle.bmp", s, true);

    // Questionable files: readers differ; this one takes them.
    s = DibRecipe(); s.clrUsed = 300;
    add("q/pal8oversizepal.bmp", s, true);
    s = DibRecipe(); s.bitCount = 24; s.clrUsed = 256;
    add("q/rgb24pal.bmp", s, true);
    s = DibRecipe(); s.bitCount = 16; s.width = 7;
    add("q/rgb16.bmp", s, true);
    s = DibRecipe(); s.bitCount = 32;
    add("q/rgb32.bmp", s, true);
    s = DibRecipe(); s.bitCount = 32; s.compression = 3;
    add("q/rgb32bf.bmp", s, true);
    s = DibRecipe(); s.sizeImage = 3;
    add("q/pal8badsize.bmp", s, true);
    s = DibRecipe(); s.width = 64; s.height = 64; s.cutTo = 14 + 40 + 1024 + 1000;
    add("q/pal8trunc.bmp", s, true);
    s = DibRecipe(); s.zeroOffset = true;
    add("q/pal8zerooffset.bmp", s, true);
    s = DibRecipe(); s.planes = 3;
    add("q/pal8planes.bmp", s, true);

    // Bad files.
    s = DibRecipe(); s.headerSize = 108;
    add("b/pal8v4.bmp", s, false);
    s = DibRecipe(); s.headerSize = 124;
    add("b/pal8v5.bmp", s, false);
    s = DibRecipe(); s.headerSize = 64;
    add("b/badheadersize.bmp", s, false);
    s = DibRecipe(); s.height = -2;
    add("b/pal8topdown.bmp", s, false);
    s = DibRecipe(); s.width = 0;
    add("b/badwidth.bmp", s, false);
    s = DibRecipe(); s.height = 0;
    add("b/zeroheight.bmp", s, false);
    s = DibRecipe(); s.width = 70000; s.height = 1; s.pixels = "x";
    add("b/toowide.bmp", s, false);
    s = DibRecipe(); s.bitCount = 2;
    add("b/badbitcount.bmp", s, false);
    s = DibRecipe(); s.bitCount = 64;
    add("b/bitcount64.bmp", s, false);
    s = DibRecipe(); s.compression = 2; s.pixels = Rle4Sample();
    add("b/rle4pal8.bmp", s, false);
    s = DibRecipe(); s.bitCount = 4; s.compression = 1; s.pixels = Rle8Sample();
    add("b/rle8pal4.bmp", s, false);
    s = DibRecipe(); s.compression = 4; s.pixels = "\xFF\xD8";
    add("b/jpeg.bmp", s, false);
    s = DibRecipe(); s.bitCount = 16; s.compression = 3; s.clrUsed = 4;
    add("b/bitfieldspal.bmp", s, false);
    s = DibRecipe(); s.cutTo = 14 + 39;
    add("b/shortheader.bmp", s, false);
    s = DibRecipe(); s.bitCount = 32; s.width = 65535; s.height = 65535; s.pixels = "x";
    add("b/hugeimage.bmp", s, false);

    // Questionable: past the end of the file, shown as far as it goes.
    s = DibRecipe(); s.cutTo = 14 + 40 + 500;
    add("q/shortpal.bmp", s, true);
    s = DibRecipe(); s.clrUsed = 0x40000000; s.tableEntries = 2;
    add("q/hugepal.bmp", s, true);
    s = DibRecipe(); s.gap = 0; s.pixels = "xx"; s.cutTo = SIZE_MAX;
    {
        std::string bytes = MakeDib(s);
        bytes[10] = '\x00';
        bytes[11] = '\x00';
        bytes[12] = '\x01';  // pixel offset 65536, beyond the file
        suite.push_back({"q/offsetpastend.bmp", bytes, true});
    }
    return suite;
}
