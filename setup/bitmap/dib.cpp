#include "dib.h"

#include <string.h>

static_assert(sizeof(DibInfoHeader) == kDibInfoHeaderBytes, "info header layout");
static_assert(sizeof(DibPaletteEntry) == 4, "palette entry layout");

static uint32_t Le16(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8;
}

static uint32_t Le32(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

int BmpParseFileHeader(const unsigned char *bytes, size_t got, DibFileHeader *out)
{
    out->present = 0;
    out->pixelOffset = 0;
    if (got < kDibFileHeaderBytes || Le16(bytes) != kDibTypeBM)
        return 0;
    out->present = 1;
    out->pixelOffset = Le32(bytes + 10);
    return 1;
}

static int IsCoreHeader(const unsigned char *header)
{
    return Le32(header) == kDibCoreHeaderBytes;
}

static uint32_t BitCountOf(const unsigned char *header)
{
    return IsCoreHeader(header) ? Le16(header + 10) : Le16(header + 14);
}

// The table entries a pixel format can index; more are never used.
static uint32_t IndexableColours(uint32_t bitCount)
{
    switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return kDibMaxColours;
    }
}

static uint32_t DefaultColours(uint32_t bitCount)
{
    switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

uint32_t BmpColourCount(const unsigned char *header)
{
    uint32_t bitCount = BitCountOf(header);
    if (IsCoreHeader(header))
        return DefaultColours(bitCount);
    uint32_t used = Le32(header + 32);
    if (used == 0)
        return DefaultColours(bitCount);
    uint32_t most = IndexableColours(bitCount);
    return used < most ? used : most;
}

uint32_t BmpColourTableBytes(const unsigned char *header)
{
    return BmpColourCount(header) * (IsCoreHeader(header) ? 3u : 4u);
}

uint64_t BmpRowBytes(uint32_t width, uint32_t bitCount)
{
    return ((uint64_t)bitCount * width + 31) / 32 * 4;
}

static int BitCountKnown(uint32_t bitCount)
{
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 ||
           bitCount == 24 || bitCount == 32;
}

// Run-length encoding goes with its own pixel size only. Bit-field masks
// would sit between the header and a colour table the header block has no
// room for, so they are taken only where no table follows; such a picture
// then fails for want of a palette, as every 16- and 32-bit picture does.
static int CompressionFits(uint32_t compression, uint32_t bitCount, uint32_t colours)
{
    switch (compression) {
    case kDibRgb: return 1;
    case kDibRle8: return bitCount == 8;
    case kDibRle4: return bitCount == 4;
    case kDibBitfields: return (bitCount == 16 || bitCount == 32) && colours == 0;
    default: return 0;
    }
}

int BmpParseHeader(const DibFileHeader *fileHeader, uint64_t start,
                   const unsigned char *header, size_t got, uint64_t fileSize,
                   DibLayout *out)
{
    memset(out, 0, sizeof *out);
    if (got < kDibInfoHeaderBytes)
        return 0;
    DibInfoHeader info = {};
    uint64_t declaredEntries;  // table entries the file holds, used or not
    uint32_t headerBytes = Le32(header);
    if (headerBytes == kDibCoreHeaderBytes) {
        info.width = (int32_t)Le16(header + 4);
        info.height = (int32_t)Le16(header + 6);
        info.planes = (uint16_t)Le16(header + 8);
        info.bitCount = (uint16_t)Le16(header + 10);
        out->fileEntryBytes = 3;
    } else if (headerBytes == kDibInfoHeaderBytes) {
        info.width = (int32_t)Le32(header + 4);
        info.height = (int32_t)Le32(header + 8);
        info.planes = (uint16_t)Le16(header + 12);
        info.bitCount = (uint16_t)Le16(header + 14);
        info.compression = Le32(header + 16);
        info.sizeImage = Le32(header + 20);
        info.xPelsPerMeter = (int32_t)Le32(header + 24);
        info.yPelsPerMeter = (int32_t)Le32(header + 28);
        info.clrImportant = Le32(header + 36);
        out->fileEntryBytes = 4;
    } else {
        return 0;
    }
    info.size = kDibInfoHeaderBytes;
    if (info.width < 1 || info.width > kDibMaxSide || info.height < 1 || info.height > kDibMaxSide)
        return 0;
    if (!BitCountKnown(info.bitCount))
        return 0;
    uint32_t rawUsed = headerBytes == kDibInfoHeaderBytes ? Le32(header + 32) : 0;
    if (!CompressionFits(info.compression, info.bitCount, rawUsed))
        return 0;

    uint32_t colours = BmpColourCount(header);
    info.clrUsed = colours;
    if (headerBytes == kDibCoreHeaderBytes)
        info.clrImportant = colours;
    declaredEntries = rawUsed > colours ? rawUsed : colours;

    // A table or pixels that run past the end of the file are shown as a
    // short file is: what is there, zeros for the rest. The layout asks only
    // for bytes the file holds, so nothing is read past its end, and the
    // blocks stay as large as the header says.
    uint64_t headerStart = start + (fileHeader->present ? kDibFileHeaderBytes : 0);
    out->tableStart = headerStart + headerBytes;
    uint64_t held = fileSize > out->tableStart ? fileSize - out->tableStart : 0;
    uint64_t tableBytes = (uint64_t)colours * out->fileEntryBytes;
    out->tableFileBytes = tableBytes < held ? tableBytes : held;
    uint64_t tableEnd = out->tableStart + declaredEntries * out->fileEntryBytes;
    if (fileHeader->present && fileHeader->pixelOffset != 0)
        out->pixelStart = start + fileHeader->pixelOffset;
    else
        out->pixelStart = tableEnd;
    if (out->pixelStart > fileSize)
        out->pixelStart = fileSize;

    // An uncompressed picture is exactly its rows, whatever the field says:
    // the platform reads that many bytes from the block. Compressed data is
    // as long as the field says, or at most the rows when it says nothing.
    uint64_t image = BmpRowBytes((uint32_t)info.width, info.bitCount) * (uint64_t)info.height;
    if (info.compression == kDibRgb || info.compression == kDibBitfields || info.sizeImage == 0) {
        if (image > UINT32_MAX)
            return 0;
        info.sizeImage = (uint32_t)image;
    }

    out->info = info;
    out->colourCount = colours;
    out->headerBlockBytes = kDibInfoHeaderBytes + (uint64_t)colours * 4;
    out->wholeBlockBytes = out->headerBlockBytes + info.sizeImage;
    return 1;
}

void BmpPutInfoHeader(unsigned char *block, const DibLayout *layout)
{
    memcpy(block, &layout->info, sizeof layout->info);
}

void BmpWidenCoreTable(unsigned char *table, uint32_t count)
{
    for (uint32_t i = count; i-- > 0;) {
        unsigned char blue = table[i * 3], green = table[i * 3 + 1], red = table[i * 3 + 2];
        table[i * 4] = blue;
        table[i * 4 + 1] = green;
        table[i * 4 + 2] = red;
        table[i * 4 + 3] = 0;
    }
}

void BmpHeaderOf(const unsigned char *block, DibInfoHeader *out)
{
    memcpy(out, block, sizeof *out);
    if (out->size != kDibInfoHeaderBytes)
        return;
    if (out->sizeImage == 0 && out->width > 0 && out->height > 0)
        out->sizeImage = (uint32_t)(BmpRowBytes((uint32_t)out->width, out->bitCount) *
                                    (uint64_t)out->height);
    if (out->clrUsed == 0)
        out->clrUsed = BmpColourCount(block);
}

uint32_t BmpPaletteEntries(const unsigned char *block, DibPaletteEntry *out)
{
    if (Le32(block) != kDibInfoHeaderBytes)
        return 0;
    uint32_t colours = BmpColourCount(block);
    if (colours != 0) {
        const unsigned char *table = block + kDibInfoHeaderBytes;
        for (uint32_t i = 0; i < colours; i++) {
            out[i].red = table[i * 4 + 2];
            out[i].green = table[i * 4 + 1];
            out[i].blue = table[i * 4];
            out[i].flags = 0;
        }
        return colours;
    }
    if (BitCountOf(block) != 24)
        return 0;
    for (uint32_t i = 0; i < kDibMaxColours; i++) {
        out[i].red = (uint8_t)(32 * (i % 8));
        out[i].green = (uint8_t)(32 * ((i / 8) % 8));
        out[i].blue = (uint8_t)(64 * (i / 64));
        out[i].flags = 0;
    }
    return kDibMaxColours;
}

void BmpWritePaletteIndices(unsigned char *block)
{
    uint32_t colours = BmpColourCount(block);
    unsigned char *table = block + kDibInfoHeaderBytes;
    for (uint32_t i = 0; i < colours; i++) {
        table[i * 2] = (unsigned char)(i & 0xFF);
        table[i * 2 + 1] = (unsigned char)(i >> 8);
    }
}

int BmpNextBandHeight(int tried)
{
    int next = tried - kDibBandStep;
    return next >= kDibMinBandRows ? next : 0;
}

int BmpNextBand(int *bottom, int bandRows, DibBand *out)
{
    if (*bottom <= 0 || bandRows <= 0)
        return 0;
    out->rows = bandRows < *bottom ? bandRows : *bottom;
    out->top = *bottom - out->rows;
    *bottom = out->top;
    return 1;
}
