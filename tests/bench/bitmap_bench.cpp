// Times the background picture's load and paint against reading the same
// file's bytes: BmpLoad and BmpPaint of the picture given on the command
// line into a shown window, as start-up does, and a plain read of the file
// in the loader's 32 KB pieces into a block of its size, made for the read
// as any reader of the file makes one. Alternating runs; prints the medians
// and their ratio, one "name value" a line, and for comparison the read into
// a block already in use (the page faults of fresh memory cost more than
// the read itself here) and where one load's time goes.
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <vector>

#include "common/text.h"
#include "setup/bitmap/bitmap.h"
#include "setup/shell/state.h"

static double Now(void)
{
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return (double)t.QuadPart / (double)f.QuadPart;
}

// Reads the whole file into one block, 32 KB at a time, as the loader's
// whole-image read does: a fresh block of the file's size, or `into`.
static double TimeRead(const char *path, size_t size, unsigned char *into)
{
    double start = Now();
    HGLOBAL fresh = NULL;
    if (into == NULL) {
        fresh = GlobalAlloc(GMEM_MOVEABLE, size);
        into = fresh != NULL ? (unsigned char *)GlobalLock(fresh) : NULL;
    }
    HANDLE f = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    size_t at = 0;
    DWORD got = 0;
    while (f != INVALID_HANDLE_VALUE && into != NULL && at < size &&
           ReadFile(f, into + at, (DWORD)std::min<size_t>(32768, size - at), &got, NULL) && got > 0)
        at += got;
    if (f != INVALID_HANDLE_VALUE)
        CloseHandle(f);
    double took = Now() - start;
    if (fresh != NULL) {
        GlobalUnlock(fresh);
        GlobalFree(fresh);
    }
    return at == size ? took : -1;
}

static double TimeLoadAndPaint(HWND wnd)
{
    double start = Now();
    if (!BmpLoad(wnd))
        return -1;
    HDC dc = GetDC(wnd);
    BmpPaint(wnd, dc, 35, 25);
    GdiFlush();
    ReleaseDC(wnd, dc);
    double took = Now() - start;
    BmpRelease();
    return took;
}

// Where one load's time goes: the whole-image read, the device bitmap.
static void Breakdown(HWND wnd)
{
    double t0 = Now();
    HGLOBAL whole = BmpReadWhole(gState.bmpFile);
    double t1 = Now();
    HBITMAP bitmap = whole != NULL ? BmpMakeDeviceBitmap(whole, NULL) : NULL;
    double t2 = Now();
    BmpBlitDeviceBitmap(gState.hBitmapDC, bitmap, SRCCOPY);
    GdiFlush();
    double t3 = Now();
    printf("read_whole_seconds %.4f\n", t1 - t0);
    printf("device_bitmap_seconds %.4f\n", t2 - t1);
    printf("paint_seconds %.4f\n", t3 - t2);
    if (bitmap != NULL)
        DeleteObject(bitmap);
    if (whole != NULL)
        GlobalFree(whole);
    (void)wnd;
}

static double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: bitmap_bench PICTURE [RUNS]\n");
        return 2;
    }
    int runs = argc > 2 ? atoi(argv[2]) : 5;
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExA(argv[1], GetFileExInfoStandard, &attributes))
        return 1;
    std::vector<unsigned char> bytes(attributes.nFileSizeLow);

    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hbrBackground = (HBRUSH)GetStockObject(GRAY_BRUSH);
    wc.lpszClassName = "BMPBENCH";
    RegisterClassA(&wc);
    HWND wnd = CreateWindowExA(0, "BMPBENCH", "bitmap bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                               0, 0, 1024, 768, NULL, NULL, wc.hInstance, NULL);
    gState.hMainWnd = wnd;
    gState.hBitmapDC = GetDC(wnd);
    gState.bmpX = 5;
    gState.bmpY = 5;
    CopyText(gState.bmpFile, sizeof gState.bmpFile, argv[1]);

    TimeRead(argv[1], bytes.size(), bytes.data());  // all start from a warm cache
    std::vector<double> reads, warmReads, loads;
    for (int i = 0; i < runs; i++) {
        reads.push_back(TimeRead(argv[1], bytes.size(), NULL));
        loads.push_back(TimeLoadAndPaint(wnd));
        warmReads.push_back(TimeRead(argv[1], bytes.size(), bytes.data()));
        if (reads.back() < 0 || loads.back() < 0 || warmReads.back() < 0)
            return 1;
    }
    double read = Median(reads), load = Median(loads), warm = Median(warmReads);
    printf("picture_bytes %lu\n", (unsigned long)bytes.size());
    printf("read_seconds %.4f\n", read);
    printf("load_and_paint_seconds %.4f\n", load);
    printf("ratio %.2f\n", load / read);
    printf("read_into_used_block_seconds %.4f\n", warm);
    printf("ratio_to_used_block_read %.2f\n", load / warm);
    Breakdown(wnd);
    return 0;
}
