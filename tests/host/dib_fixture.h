// Bitmap files made in memory for the loader's tests, the Wine tests and
// the fuzzer's seeds, including a suite of good, questionable and bad files
// in the manner of the well-known BMP test suites.
#ifndef TARNWICK_DIB_FIXTURE_H
#define TARNWICK_DIB_FIXTURE_H

#include <stdint.h>

#include <string>
#include <vector>

struct DibRecipe {
    bool fileHeader = true;      // the 14-byte "BM" header in front
    bool core = false;           // a 12-byte core header with 3-byte entries
    uint32_t headerSize = 40;    // size field of an info header (108, 124: newer versions)
    int32_t width = 4;
    int32_t height = 2;
    uint16_t planes = 1;
    uint16_t bitCount = 8;
    uint32_t compression = 0;
    uint32_t sizeImage = 0;      // as written
    uint32_t clrUsed = 0;
    int tableEntries = -1;       // entries written; -1: what the header implies
    uint32_t gap = 0;            // bytes between the table and the pixels
    bool zeroOffset = false;     // the file header gives pixel offset 0
    std::string pixels;          // pixel data; empty: DibPixels of the picture
    size_t cutTo = SIZE_MAX;     // the file is cut to this many bytes
};

// Colour table entry i of fixture files: blue i, green 255 - i, red i * 7.
uint8_t DibTableBlue(int i);
uint8_t DibTableGreen(int i);
uint8_t DibTableRed(int i);

// Uncompressed rows for a picture: pixel (x, y) of row y (bottom row 0) is
// byte (x + 3 * y) for 8 bits, and a similar pattern for other sizes;
// padding is zero.
std::string DibPixels(int32_t width, int32_t height, uint16_t bitCount);

// The whole file.
std::string MakeDib(const DibRecipe &recipe);

// A 24-bit file of one colour with a differently coloured marker square of
// side `marker` in its top-left corner; red, green, blue each.
std::string MakeMarkedDib24(int width, int height, int marker, const uint8_t back[3],
                            const uint8_t mark[3]);

struct SuiteFile {
    std::string name;   // g/ good, q/ questionable, b/ bad
    std::string bytes;
    bool loads;         // the header is taken (the palette may still fail)
};

std::vector<SuiteFile> DibSuite();

#endif
