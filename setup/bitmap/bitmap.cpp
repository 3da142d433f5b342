#include "bitmap.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "common/text.h"
#include "setup/shell/output.h"
#include "setup/shell/state.h"
#include "dib.h"

static_assert((int)kBitmapNameSize == (int)kPathSize, "the picture's name is one of setup's paths");

static_assert(sizeof(BITMAPINFOHEADER) == sizeof(DibInfoHeader), "info header layout");
static_assert(sizeof(PALETTEENTRY) == sizeof(DibPaletteEntry), "palette entry layout");

BackgroundBitmap gBitmap;

// Positions go through the 64-bit calls: a picture near the 4 GB a header
// can describe lies partly beyond what a 32-bit signed offset reaches.
static int SeekTo(HANDLE file, int64_t pos)
{
    LARGE_INTEGER to;
    to.QuadPart = pos;
    return SetFilePointerEx(file, to, NULL, FILE_BEGIN) != 0;
}

static int SeekBy(HANDLE file, int64_t distance)
{
    LARGE_INTEGER by;
    by.QuadPart = distance;
    return SetFilePointerEx(file, by, NULL, FILE_CURRENT) != 0;
}

static int64_t FilePosition(HANDLE file)
{
    LARGE_INTEGER zero, pos;
    zero.QuadPart = 0;
    if (!SetFilePointerEx(file, zero, &pos, FILE_CURRENT))
        return 0;
    return pos.QuadPart;
}

static DWORD ReadSome(HANDLE file, void *dest, DWORD count)
{
    DWORD got = 0;
    if (!ReadFile(file, dest, count, &got, NULL))
        return 0;
    return got;
}

int BmpReportError(const char *format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    Tell(text, NULL, MB_ICONEXCLAMATION | MB_OK, IDOK);
    return 0;
}

// Whether dir\name is a file; path receives it. One cut to the buffer
// would name another file, so is none.
static int FoundIn(const char *dir, const char *name, char *path, size_t size)
{
    CopyText(path, size, dir);
    AppendText(path, size, "\\");
    if (dir[0] == '\0' || AppendText(path, size, name) != strlen(dir) + 1 + strlen(name))
        return 0;
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// A bare name is looked for as OpenFile looks for it: beside the program,
// in the current directory, then in the system folders. SearchPathA may try
// the system folders first, and looks for a name with a path in each
// folder; here such a name, or one found nowhere, is taken as given.
HANDLE BmpOpenFile(const char *name)
{
    char dirs[4][MAX_PATH] = {"", ".", "", ""};
    CopyText(dirs[0], sizeof dirs[0], gState.programDir);
    if (GetSystemDirectoryA(dirs[2], MAX_PATH) >= MAX_PATH)
        dirs[2][0] = '\0';
    if (GetWindowsDirectoryA(dirs[3], MAX_PATH) >= MAX_PATH)
        dirs[3][0] = '\0';
    char found[MAX_PATH];
    const char *path = name;
    for (int i = 0; i < 4 && path == name && FindAnyOf(name, "\\/:") == NULL; i++)
        if (FoundIn(dirs[i], name, found, sizeof found))
            path = found;
    return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, NULL);
}

void BmpRelease(void)
{
    if (gBitmap.hPalette != NULL)
        DeleteObject(gBitmap.hPalette);
    if (gBitmap.hDeviceBitmap != NULL)
        DeleteObject(gBitmap.hDeviceBitmap);
    if (gBitmap.hWhole != NULL)
        GlobalFree(gBitmap.hWhole);
    if (gBitmap.hHeader != NULL && gBitmap.hHeader != gBitmap.hWhole)
        GlobalFree(gBitmap.hHeader);
    gBitmap.hPalette = NULL;
    gBitmap.hDeviceBitmap = NULL;
    gBitmap.hWhole = NULL;
    gBitmap.hHeader = NULL;
    gBitmap.paletteIndices = 0;
    gBitmap.loaded = 0;
}

int BmpReadFileHeader(HANDLE file, int64_t *start, unsigned char *bytes)
{
    *start = FilePosition(file);
    DWORD got = ReadSome(file, bytes, 2);
    if (got == 2)
        got += ReadSome(file, bytes + 2, kDibFileHeaderBytes - 2);
    return (int)got;
}

HGLOBAL BmpReadHeader(HANDLE file)
{
    int64_t start;
    unsigned char fileHeaderBytes[kDibFileHeaderBytes];
    int got = BmpReadFileHeader(file, &start, fileHeaderBytes);
    DibFileHeader fileHeader;
    if (!BmpParseFileHeader(fileHeaderBytes, (size_t)got, &fileHeader) && !SeekTo(file, start))
        return NULL;

    unsigned char header[kDibInfoHeaderBytes];
    DWORD headerGot = ReadSome(file, header, sizeof header);
    LARGE_INTEGER fileSize;
    if (!GetFileSizeEx(file, &fileSize))
        return NULL;
    DibLayout layout;
    if (!BmpParseHeader(&fileHeader, (uint64_t)start, header, headerGot,
                        (uint64_t)fileSize.QuadPart, &layout))
        return NULL;

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)layout.headerBlockBytes);
    if (block == NULL)
        return NULL;
    unsigned char *p = (unsigned char *)GlobalLock(block);
    if (p == NULL) {
        GlobalFree(block);
        return NULL;
    }
    BmpPutInfoHeader(p, &layout);
    // The layout asks only for what the file holds of the table; the
    // entries it does not hold, and what a failing read leaves out, stay
    // zero.
    if (layout.colourCount != 0 && SeekTo(file, (int64_t)layout.tableStart)) {
        ReadSome(file, p + kDibInfoHeaderBytes, (DWORD)layout.tableFileBytes);
        if (layout.fileEntryBytes == 3)
            BmpWidenCoreTable(p + kDibInfoHeaderBytes, layout.colourCount);
    }
    GlobalUnlock(block);
    SeekTo(file, (int64_t)layout.pixelStart);
    return block;
}

// Reads count bytes in pieces of at most 32 KB, stopping at the first short
// piece. Returns the bytes read.
static uint64_t ReadInPieces(HANDLE file, unsigned char *dest, uint64_t count)
{
    uint64_t done = 0;
    while (done < count) {
        DWORD want = count - done > kDibChunkBytes ? (DWORD)kDibChunkBytes : (DWORD)(count - done);
        DWORD got = ReadSome(file, dest + done, want);
        done += got;
        if (got != want)
            break;
    }
    return done;
}

uint64_t BmpReadChunked(HANDLE file, unsigned char *dest, uint64_t count)
{
    return ReadInPieces(file, dest, count) == count ? count : 0;
}

HGLOBAL BmpReadWhole(const char *fileName)
{
    HANDLE file = BmpOpenFile(fileName);
    if (file == INVALID_HANDLE_VALUE)
        return NULL;
    HGLOBAL block = BmpReadHeader(file);
    if (block == NULL) {
        CloseHandle(file);
        return NULL;
    }
    unsigned char *p = (unsigned char *)GlobalLock(block);
    DibInfoHeader header;
    BmpHeaderOf(p, &header);
    uint64_t table = BmpColourTableBytes(p);
    GlobalUnlock(block);

    // A block the address space cannot describe is one that cannot be had.
    uint64_t total = kDibInfoHeaderBytes + table + header.sizeImage;
    HGLOBAL whole = NULL;
    if (total <= (uint64_t)(SIZE_T)-1)
        whole = GlobalReAlloc(block, (SIZE_T)total, GMEM_MOVEABLE);
    if (whole == NULL) {
        GlobalFree(block);
        CloseHandle(file);
        return NULL;
    }
    p = (unsigned char *)GlobalLock(whole);
    if (p != NULL) {
        // A short file leaves the rest zero: the block is as large as the
        // header says whatever the file holds. Only that rest is cleared; the
        // read fills the others, and clearing all of it first costs as much
        // again as the read.
        unsigned char *pixels = p + kDibInfoHeaderBytes + table;
        uint64_t got = ReadInPieces(file, pixels, header.sizeImage);
        memset(pixels + got, 0, (size_t)(header.sizeImage - got));
        GlobalUnlock(whole);
    }
    CloseHandle(file);
    return whole;
}

HPALETTE BmpMakePalette(HGLOBAL header)
{
    unsigned char *p = (unsigned char *)GlobalLock(header);
    if (p == NULL)
        return NULL;
    DibPaletteEntry entries[kDibMaxColours];
    uint32_t count = BmpPaletteEntries(p, entries);
    GlobalUnlock(header);
    if (count == 0)
        return NULL;
    LOGPALETTE *description =
        (LOGPALETTE *)LocalAlloc(LPTR, sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    if (description == NULL)
        return NULL;
    description->palVersion = 0x300;
    description->palNumEntries = (WORD)count;
    memcpy(description->palPalEntry, entries, count * sizeof(PALETTEENTRY));
    HPALETTE palette = CreatePalette(description);
    LocalFree(description);
    return palette;
}

HBITMAP BmpMakeDeviceBitmapFor(HDC device, int paletteDevice, HGLOBAL whole, HPALETTE palette)
{
    HPALETTE previousPalette = NULL;
    if (palette != NULL) {
        previousPalette = SelectPalette(device, palette, FALSE);
        RealizePalette(device);
    }
    HBITMAP bitmap = NULL;
    unsigned char *p = (unsigned char *)GlobalLock(whole);
    if (p != NULL) {
        BITMAPINFO *info = (BITMAPINFO *)p;
        const unsigned char *pixels = p + kDibInfoHeaderBytes + BmpColourTableBytes(p);
        // An uncompressed picture is kept in its own pixel format: making it
        // is one copy, and the conversion to the screen's format happens when
        // it is painted, for the part that shows. Not on a palette device:
        // a copy there matches the picture's colours to the palette of the
        // context it goes through, and hBitmapDC never has the picture's, so
        // only the 20 static colours would show; a bitmap in the device's
        // format holds the indices the palette was realised to and is copied
        // as it is. Compressed data is decoded into one too.
        void *bits = NULL;
        if (!paletteDevice && info->bmiHeader.biCompression == BI_RGB)
            bitmap = CreateDIBSection(device, info, DIB_RGB_COLORS, &bits, NULL, 0);
        if (bitmap != NULL && bits != NULL)
            memcpy(bits, pixels, info->bmiHeader.biSizeImage);
        else if (bitmap == NULL)
            bitmap = CreateDIBitmap(device, &info->bmiHeader, CBM_INIT, pixels, info,
                                    DIB_RGB_COLORS);
        GlobalUnlock(whole);
    }
    if (previousPalette != NULL)
        SelectPalette(device, previousPalette, FALSE);
    return bitmap;
}

HBITMAP BmpMakeDeviceBitmap(HGLOBAL whole, HPALETTE palette)
{
    HCURSOR previousCursor = SetCursor(LoadCursorA(NULL, (LPCSTR)IDC_WAIT));
    HDC screen = GetDC(NULL);
    HBITMAP bitmap = NULL;
    if (screen != NULL) {
        int paletteDevice = (GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE) != 0;
        bitmap = BmpMakeDeviceBitmapFor(screen, paletteDevice, whole, palette);
        ReleaseDC(NULL, screen);
    }
    SetCursor(previousCursor);
    return bitmap;
}

int BmpLoad(HWND wnd)
{
    (void)wnd;
    BmpRelease();
    CopyText(gBitmap.fileName, sizeof gBitmap.fileName, gState.bmpFile);

    HANDLE file = BmpOpenFile(gBitmap.fileName);
    if (file == INVALID_HANDLE_VALUE)
        return BmpReportError("Can't open file '%s'", gBitmap.fileName);
    gBitmap.hHeader = BmpReadHeader(file);
    gBitmap.pixelOffset = FilePosition(file);
    CloseHandle(file);
    if (gBitmap.hHeader == NULL)
        return BmpReportError("%s is not a Legitimate DIB File!", gBitmap.fileName);

    gBitmap.hPalette = BmpMakePalette(gBitmap.hHeader);
    if (gBitmap.hPalette == NULL) {
        BmpRelease();
        return BmpReportError("CreatePalette() Failed");
    }

    unsigned char *p = (unsigned char *)GlobalLock(gBitmap.hHeader);
    if (p == NULL) {
        BmpRelease();
        return BmpReportError("%s is not a Legitimate DIB File!", gBitmap.fileName);
    }
    DibInfoHeader header;
    BmpHeaderOf(p, &header);
    if (header.bitCount != 24) {
        BmpWritePaletteIndices(p);
        gBitmap.paletteIndices = 1;
    }
    GlobalUnlock(gBitmap.hHeader);
    gBitmap.loaded = 1;

    gBitmap.hWhole = BmpReadWhole(gBitmap.fileName);
    // The band painter reads uncompressed rows only.
    if (header.compression != kDibRgb && gBitmap.hWhole == NULL) {
        BmpRelease();
        return BmpReportError("Could not load RLE!");
    }
    if (gBitmap.hWhole != NULL) {
        gBitmap.hDeviceBitmap = BmpMakeDeviceBitmap(gBitmap.hWhole, gBitmap.hPalette);
        if (gBitmap.hDeviceBitmap == NULL) {
            BmpRelease();
            return BmpReportError("Could not create bitmap!");
        }
    }
    return 1;
}

BOOL BmpBlitDeviceBitmap(HDC dest, HBITMAP bitmap, DWORD rop)
{
    if (dest == NULL || bitmap == NULL)
        return 0;
    HDC mem = CreateCompatibleDC(dest);
    if (mem == NULL)
        return 0;
    BITMAP bm;
    if (!GetObjectA(bitmap, sizeof bm, &bm)) {
        DeleteDC(mem);
        return 0;
    }
    HGDIOBJ previous = SelectObject(mem, bitmap);
    if (previous == NULL || previous == HGDI_ERROR) {
        Tell("Select Object failed: out of memory?", "Error Selecting Bitmap!", MB_OK, IDOK);
        DeleteDC(mem);
        return 0;
    }
    BOOL copied = BitBlt(dest, gState.bmpX, gState.bmpY, bm.bmWidth, bm.bmHeight, mem, 0, 0, rop);
    SelectObject(mem, previous);
    DeleteDC(mem);
    return copied;
}

void BmpPaint(HWND wnd, HDC dc, int x, int y)
{
    SetWindowOrgEx(dc, x, y, NULL);
    SetBkMode(dc, TRANSPARENT);
    if (!gBitmap.loaded)
        return;
    HPALETTE previous = SelectPalette(dc, gBitmap.hPalette, FALSE);
    RealizePalette(dc);
    if (gBitmap.hDeviceBitmap != NULL)
        BmpBlitDeviceBitmap(gState.hBitmapDC, gBitmap.hDeviceBitmap, SRCCOPY);
    else if (gBitmap.fileName[0] != '\0')
        BmpPaintBands(wnd, dc);
    if (previous != NULL)
        SelectPalette(dc, previous, FALSE);
}

// The band buffer, band bitmap and memory context of one band height.
struct BandTools {
    HGLOBAL buffer;
    HBITMAP bitmap;
    HDC mem;
    int rows;
};

// The largest band that can be had, trying the full height first and then
// 20 rows less at a time down to 50. Returns 0 when none could.
static int MakeBandTools(HDC dc, int width, int height, uint64_t rowBytes, BandTools *out)
{
    for (int rows = height; rows > 0; rows = BmpNextBandHeight(rows)) {
        uint64_t bytes = rowBytes * (uint64_t)rows;
        HGLOBAL buffer = NULL;
        if (bytes <= (uint64_t)(SIZE_T)-1)
            buffer = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (SIZE_T)bytes);
        if (buffer == NULL)
            continue;
        HBITMAP bitmap = CreateCompatibleBitmap(dc, width, rows);
        if (bitmap == NULL) {
            GlobalFree(buffer);
            continue;
        }
        HDC mem = CreateCompatibleDC(dc);
        if (mem == NULL) {
            GlobalFree(buffer);
            DeleteObject(bitmap);
            continue;
        }
        out->buffer = buffer;
        out->bitmap = bitmap;
        out->mem = mem;
        out->rows = rows;
        return 1;
    }
    return 0;
}

// The banded picture lands where the device bitmap would: its top-left
// corner at client (bmpX, bmpY), whatever window origin dc was given.
void BmpPaintBands(HWND wnd, HDC dc)
{
    HANDLE file = BmpOpenFile(gBitmap.fileName);
    if (file == INVALID_HANDLE_VALUE)
        return;
    unsigned char *header = (unsigned char *)GlobalLock(gBitmap.hHeader);
    if (header == NULL) {
        CloseHandle(file);
        return;
    }
    DibInfoHeader info;
    BmpHeaderOf(header, &info);
    int width = (uint16_t)info.width;
    int height = (uint16_t)info.height;
    uint64_t rowBytes = BmpRowBytes((uint32_t)width, info.bitCount);

    BandTools tools = {};
    if (!MakeBandTools(dc, width, height, rowBytes, &tools)) {
        if (GetFocus() == wnd) {
            BmpReportError("No memory available!");
            ValidateRect(wnd, NULL);
        } else {
            MessageBeep(0);
        }
        GlobalUnlock(gBitmap.hHeader);
        CloseHandle(file);
        return;
    }

    HPALETTE previousMemPalette = SelectPalette(tools.mem, gBitmap.hPalette, FALSE);
    SeekTo(file, gBitmap.pixelOffset);
    HPALETTE previousPalette = SelectPalette(dc, gBitmap.hPalette, FALSE);
    RealizePalette(dc);

    POINT origin = {};
    GetWindowOrgEx(dc, &origin);
    int left = origin.x + gState.bmpX;
    int top = origin.y + gState.bmpY;
    UINT usage = gBitmap.paletteIndices ? DIB_PAL_COLORS : DIB_RGB_COLORS;
    unsigned char *rows = (unsigned char *)GlobalLock(tools.buffer);
    DibInfoHeader *bandHeader = (DibInfoHeader *)header;

    int bottom = height;
    DibBand band;
    while (rows != NULL && BmpNextBand(&bottom, tools.rows, &band)) {
        uint64_t bytes = rowBytes * (uint64_t)band.rows;
        RECT r = {left, top + band.top, left + width, top + band.top + band.rows};
        if (!RectVisible(dc, &r)) {
            SeekBy(file, (int64_t)bytes);
            continue;
        }
        // A short file leaves the rest of the band black, as the whole-image
        // read does, not the rows of the band before.
        uint64_t got = ReadInPieces(file, rows, bytes);
        memset(rows + got, 0, (size_t)(bytes - got));
        bandHeader->height = band.rows;
        int converted = SetDIBits(tools.mem, tools.bitmap, 0, (UINT)band.rows, rows,
                                  (BITMAPINFO *)header, usage);
        if (converted != band.rows) {
            bandHeader->height = height;
            BmpReportError("Could not draw DIB scans!");
            break;
        }
        HGDIOBJ previousBitmap = SelectObject(tools.mem, tools.bitmap);
        BOOL copied = BitBlt(dc, left, top + band.top, width, band.rows, tools.mem, 0, 0, SRCCOPY);
        SelectObject(tools.mem, previousBitmap);
        bandHeader->height = height;
        if (!copied) {
            BmpReportError("Could not draw map to screen!");
            break;
        }
    }

    if (rows != NULL)
        GlobalUnlock(tools.buffer);
    GlobalFree(tools.buffer);
    if (previousPalette != NULL)
        SelectPalette(dc, previousPalette, FALSE);
    if (previousMemPalette != NULL)
        SelectPalette(tools.mem, previousMemPalette, FALSE);
    DeleteDC(tools.mem);
    DeleteObject(tools.bitmap);
    GlobalUnlock(gBitmap.hHeader);
    CloseHandle(file);
}
