// Fuzzes the bitmap loader's portable half the way the loader uses it: the
// layout it works out must stay inside the file and describe blocks it can
// fill, and filling the header block, the palette, the palette indices and
// the band plan must stay inside what was described.
#include <string.h>

#include <vector>

#include "setup/bitmap/dib.h"

static void Check(bool ok)
{
    if (!ok)
        __builtin_trap();
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    DibFileHeader fh;
    size_t at = BmpParseFileHeader(data, size, &fh) ? kDibFileHeaderBytes : 0;
    size_t got = size - at < kDibInfoHeaderBytes ? size - at : kDibInfoHeaderBytes;
    // The loader reads into a 40-byte buffer whatever arrives.
    unsigned char header[kDibInfoHeaderBytes] = {};
    memcpy(header, data + at, got);
    DibLayout l;
    if (!BmpParseHeader(&fh, 0, header, got, size, &l))
        return 0;

    const DibInfoHeader &h = l.info;
    Check(h.size == 40 && h.width >= 1 && h.width <= kDibMaxSide && h.height >= 1 &&
          h.height <= kDibMaxSide);
    Check(l.colourCount <= kDibMaxColours && h.clrUsed == l.colourCount);
    Check(l.headerBlockBytes == 40 + (uint64_t)l.colourCount * 4);
    Check(l.wholeBlockBytes == l.headerBlockBytes + h.sizeImage);
    Check(l.tableStart + l.tableFileBytes <= size && l.pixelStart <= size);
    Check(l.tableFileBytes <= (uint64_t)l.colourCount * l.fileEntryBytes);
    uint64_t rows = BmpRowBytes((uint32_t)h.width, h.bitCount) * (uint64_t)h.height;
    if (h.compression == kDibRgb)
        Check(h.sizeImage == rows);

    // The header block, exactly as large as described.
    std::vector<unsigned char> block(l.headerBlockBytes);
    BmpPutInfoHeader(block.data(), &l);
    memcpy(block.data() + 40, data + l.tableStart, l.tableFileBytes);
    if (l.fileEntryBytes == 3)
        BmpWidenCoreTable(block.data() + 40, l.colourCount);
    DibInfoHeader again;
    BmpHeaderOf(block.data(), &again);
    Check(memcmp(&again, &h, sizeof h) == 0);
    Check(BmpColourTableBytes(block.data()) == l.colourCount * 4);

    DibPaletteEntry palette[kDibMaxColours];
    uint32_t entries = BmpPaletteEntries(block.data(), palette);
    Check(entries == (l.colourCount ? l.colourCount : h.bitCount == 24 ? 256u : 0u));
    BmpWritePaletteIndices(block.data());

    // The band plan covers every row once, bottom band first.
    int height = (uint16_t)h.height;
    for (int band = height, tries = 0; band > 0; band = BmpNextBandHeight(band), tries++) {
        Check(band == height || band >= kDibMinBandRows);
        Check(tries <= height / kDibBandStep + 1);
        if (tries > 2)
            continue;
        int bottom = height, covered = 0;
        DibBand b;
        for (int above = bottom; BmpNextBand(&bottom, band, &b); above = bottom) {
            Check(b.rows >= 1 && b.rows <= band && b.top + b.rows == above && b.top == bottom);
            covered += b.rows;
        }
        Check(covered == height && bottom == 0);
    }
    return 0;
}
