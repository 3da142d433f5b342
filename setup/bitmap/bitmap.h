// The background picture of the main window: loading a DIB file with its
// palette into a device bitmap, and painting it, from the device bitmap or,
// for a picture too large to hold, from the file in bands.
#ifndef TARNWICK_BITMAP_H
#define TARNWICK_BITMAP_H

#include <windows.h>
#include <stdint.h>

// Room for the picture's file name, terminator included: setup's paths.
enum { kBitmapNameSize = 256 };

// The one background picture of the process. Zero at start; BmpRelease
// empties it again.
struct BackgroundBitmap {
    char fileName[kBitmapNameSize];  // the picture's file name
    HGLOBAL hHeader;           // 40-byte info header and colour table; after
                               // loading a picture that is not 24-bit, the
                               // table holds 16-bit palette indices
    int32_t paletteIndices;    // set when the table was so overwritten
    HGLOBAL hWhole;            // header, RGB colour table and all pixels, or 0
    HBITMAP hDeviceBitmap;     // made from hWhole, or 0
    HPALETTE hPalette;         // the logical palette, or 0
    int32_t loaded;            // header and palette in place: paint it
    int64_t pixelOffset;       // file position of the first pixel row
};

extern BackgroundBitmap gBitmap;

// Loads gState.bmpFile. Returns 1 when the picture can be painted, 0 after a
// failure it has reported. The window is not used.
int BmpLoad(HWND wnd);

// Deletes the palette and the device bitmap, frees both blocks, clears the
// flags and handles.
void BmpRelease(void);

// Formats the text into 512 bytes and shows it in an owner-less message box
// with the exclamation icon. Returns 0.
int BmpReportError(const char *format, ...);

// The pieces of BmpLoad, also used by the painter. A file is a read handle
// from BmpOpenFile, INVALID_HANDLE_VALUE when it did not open.
HANDLE BmpOpenFile(const char *name);
int BmpReadFileHeader(HANDLE file, int64_t *start, unsigned char *bytes);
HGLOBAL BmpReadHeader(HANDLE file);
HGLOBAL BmpReadWhole(const char *fileName);
uint64_t BmpReadChunked(HANDLE file, unsigned char *dest, uint64_t count);
HPALETTE BmpMakePalette(HGLOBAL header);
HBITMAP BmpMakeDeviceBitmap(HGLOBAL whole, HPALETTE palette);

// The device bitmap of a whole-image block for device, the palette selected
// and realised in it; paletteDevice tells a device with RC_PALETTE.
// BmpMakeDeviceBitmap makes it for the screen.
HBITMAP BmpMakeDeviceBitmapFor(HDC device, int paletteDevice, HGLOBAL whole, HPALETTE palette);

// Paints the loaded picture into the window: the device bitmap at
// (bmpX, bmpY) through gState.hBitmapDC, else from the file in bands through
// dc. (x, y) becomes the window origin of dc.
void BmpPaint(HWND wnd, HDC dc, int x, int y);

// Copies the whole device bitmap to dest at (bmpX, bmpY). Returns the copy's
// success, or 0.
BOOL BmpBlitDeviceBitmap(HDC dest, HBITMAP bitmap, DWORD rop);

// Draws the picture from its file in bands, bottom band first, reading only
// the bands that show.
void BmpPaintBands(HWND wnd, HDC dc);

#endif
