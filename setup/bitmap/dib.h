// Device-independent bitmap files as the background loader reads them: the
// optional 14-byte file header, the 40-byte info header or the older 12-byte
// core header, the colour table, the sizes worked out from them, the
// palette, and the bands the painter draws a picture in when it is too large
// to hold. Portable: no Windows API; every size is checked here, before the
// loader allocates or reads anything with it.
#ifndef TARNWICK_BITMAP_DIB_H
#define TARNWICK_BITMAP_DIB_H

#include <stddef.h>
#include <stdint.h>

enum {
    kDibFileHeaderBytes = 14,
    kDibInfoHeaderBytes = 40,
    kDibCoreHeaderBytes = 12,
    kDibTypeBM = 0x4D42,       // "BM", little-endian
    kDibMaxSide = 65535,       // the painter takes width and height as 16-bit values
    kDibMaxColours = 256,      // the most palette entries a picture can use
    kDibChunkBytes = 32768,    // largest single file read
    kDibMinBandRows = 50,      // smallest band the painter tries
    kDibBandStep = 20,         // rows less on each next try
};

// Compression values the loader accepts.
enum {
    kDibRgb = 0,
    kDibRle8 = 1,
    kDibRle4 = 2,
    kDibBitfields = 3,
};

// The 40-byte info header, laid out as the platform's BITMAPINFOHEADER. It
// starts every header block and whole-image block.
struct DibInfoHeader {
    uint32_t size;
    int32_t width;
    int32_t height;
    uint16_t planes;
    uint16_t bitCount;
    uint32_t compression;
    uint32_t sizeImage;
    int32_t xPelsPerMeter;
    int32_t yPelsPerMeter;
    uint32_t clrUsed;
    uint32_t clrImportant;
};

// One logical palette entry, laid out as the platform's PALETTEENTRY.
struct DibPaletteEntry {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
    uint8_t flags;
};

struct DibFileHeader {
    int present;           // the 14 bytes were there and started with "BM"
    uint32_t pixelOffset;  // from the start of the file header; 0: none given
};

// Where a picture's parts lie in its file and how large its blocks are; the
// loader allocates and reads by these figures only.
struct DibLayout {
    DibInfoHeader info;        // the header block's header: a core header
                               // widened, image size and colours used filled in
    uint32_t colourCount;      // entries of the header block's colour table
    uint32_t fileEntryBytes;   // 3 after a core header, 4 after an info header
    uint64_t tableStart;       // file position of the colour table
    uint64_t tableFileBytes;   // what the file holds of colourCount *
                               // fileEntryBytes: what is read
    uint64_t pixelStart;       // file position of the first (bottom) pixel
                               // row; the file's end when it lies beyond
    uint64_t headerBlockBytes; // 40 + colourCount * 4
    uint64_t wholeBlockBytes;  // headerBlockBytes + image size
};

// Reads the file header from the bytes found at its place (got of them).
// Returns 1 when it is one; otherwise the file is a bare DIB.
int BmpParseFileHeader(const unsigned char *bytes, size_t got, DibFileHeader *out);

// The colour count of a header as it lies in a file or a header block (a
// 12-byte core header or a 40-byte info header, told by its size field):
// colours used when an info header gives them, else 2, 16 or 256 for 1, 4
// or 8 bits per pixel and 0 for more. Never more than the pixel format can
// index (2, 16, 256) nor more than 256, so the table GDI reads is the table
// the block holds.
uint32_t BmpColourCount(const unsigned char *header);

// The colour table's size in the header's own form: 3 bytes an entry after
// a core header, 4 after an info header.
uint32_t BmpColourTableBytes(const unsigned char *header);

// Bytes of one pixel row, padded to 4 bytes.
uint64_t BmpRowBytes(uint32_t width, uint32_t bitCount);

// Works out the layout from the optional file header (read at file
// position start), the got bytes read behind it (40 wanted) and the file's
// size. Returns 0 when they are no picture the loader can show: fewer than
// 40 bytes, a header size other than 12 or 40, width or height outside
// 1..65535 (so no top-down pictures), bits per pixel other than 1, 4, 8, 16,
// 24 or 32, a compression that does not fit the bits per pixel, or an image
// size that overflows 32 bits. A colour table or pixels that run past the
// end of the file are taken as far as the file holds them; the rest is
// zeros, as in a short file.
int BmpParseHeader(const DibFileHeader *fileHeader, uint64_t start,
                   const unsigned char *header, size_t got, uint64_t fileSize,
                   DibLayout *out);

// The header block's first 40 bytes for a layout.
void BmpPutInfoHeader(unsigned char *block, const DibLayout *layout);

// Spreads count 3-byte entries (blue, green, red) at table into 4-byte
// entries (blue, green, red, 0) in place, last entry first; the table must
// hold count * 4 bytes.
void BmpWidenCoreTable(unsigned char *table, uint32_t count);

// The header of a block: image size 0 filled with row size * height and
// colours used 0 with the colour count.
void BmpHeaderOf(const unsigned char *block, DibInfoHeader *out);

// The palette of a header block whose table holds its colour count of 4-byte
// entries: the table's colours, or for a 24-bit picture without a table the
// fixed 256 entries (red fastest in steps of 32, then green in steps of 32,
// then blue in steps of 64). out holds kDibMaxColours entries. Returns the
// entry count; 0 when there can be no palette (not a 40-byte header, or a
// 16- or 32-bit picture without a table).
uint32_t BmpPaletteEntries(const unsigned char *block, DibPaletteEntry *out);

// Overwrites the block's colour table with the 16-bit palette indices 0, 1,
// 2, ... one for each entry, so drawing can use palette-relative colours.
void BmpWritePaletteIndices(unsigned char *block);

// The band heights the painter tries, largest first: the full height, then
// kDibBandStep rows less each time while at least kDibMinBandRows. Returns
// the try after `tried`, or 0 when there is none.
int BmpNextBandHeight(int tried);

// One band of rows of the picture, in the picture's top-down coordinates.
struct DibBand {
    int top;
    int rows;
};

// The next band in file order, bottom band first: the band of at most
// bandRows rows ending at *bottom. Moves *bottom up to its top. Returns 0
// when nothing is left.
int BmpNextBand(int *bottom, int bandRows, DibBand *out);

#endif
