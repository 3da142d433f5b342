// The background picture: loading, its failure messages, and painting read
// back from the window's pixels, in process.
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "setup/bitmap/bitmap.h"
#include "setup/shell/state.h"
#include "tests/host/dib_fixture.h"
#include "state_test.h"
#include "wine_test_util.h"

namespace {

const uint8_t kRed[3] = {255, 0, 0};
const uint8_t kGreen[3] = {0, 160, 0};
const uint8_t kWhite[3] = {255, 255, 255};
const COLORREF kBackdrop = RGB(0, 64, 128);

COLORREF Rgb(const uint8_t c[3])
{
    return RGB(c[0], c[1], c[2]);
}

// A plain window of the backdrop colour that paints nothing of its own, as
// the main window does; created once, shown at a known place.
HWND TestWindow()
{
    static HWND wnd;
    if (wnd != NULL && IsWindow(wnd))
        return wnd;
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(kBackdrop);
    wc.lpszClassName = "BMPTEST";
    RegisterClassA(&wc);
    wnd = CreateWindowExA(0, "BMPTEST", "bitmap test", WS_OVERLAPPEDWINDOW, 0, 0, 700, 560,
                          NULL, NULL, GetModuleHandleA(NULL), NULL);
    return wnd;
}

class BitmapTest : public StateTest {
protected:
    HWND wnd = NULL;
    void SetUp() override
    {
        StateTest::SetUp();
        BmpRelease();
        memset(&gBitmap, 0, sizeof gBitmap);
        wnd = TestWindow();
        ShowWindow(wnd, SW_SHOWNORMAL);
        UpdateWindow(wnd);
        gState.hMainWnd = wnd;
        gState.hBitmapDC = GetDC(wnd);
        DrainQueue();
    }
    void TearDown() override
    {
        BmpRelease();
        ReleaseDC(wnd, gState.hBitmapDC);
        StateTest::TearDown();
    }
    // Loads name with gState.bmpX, bmpY at x, y and paints it as start-up
    // does: inside a paint of the whole window, origin 35, 25.
    int LoadAndPaint(const char *name, int x, int y)
    {
        strcpy(gState.bmpFile, name);
        gState.bmpX = x;
        gState.bmpY = y;
        int ok = BmpLoad(wnd);
        InvalidateRect(wnd, NULL, TRUE);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(wnd, &ps);
        BmpPaint(wnd, dc, 35, 25);
        EndPaint(wnd, &ps);
        GdiFlush();
        return ok;
    }
    COLORREF Pixel(int x, int y)
    {
        HDC dc = GetDC(wnd);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(wnd, dc);
        return c;
    }
};

// Loads with a box watcher; returns the boxes shown.
std::vector<SeenBox> LoadWatched(const char *name, int *result)
{
    strcpy(gState.bmpFile, name);
    StartBoxWatcher({IDOK});
    *result = BmpLoad(gState.hMainWnd);
    return StopBoxWatcher();
}

}  // namespace

TEST_F(BitmapTest, FailuresAreReportedWithTheFileNameAndLeaveNothingLoaded)
{
    DibRecipe v4;
    v4.headerSize = 108;
    WriteFileBytes(dir + "\\Setup.bmp", MakeDib(v4));
    DibRecipe rgb16;
    rgb16.bitCount = 16;
    WriteFileBytes(dir + "\\deep.bmp", MakeDib(rgb16));
    WriteFileBytes(dir + "\\short.bmp", MakeDib(DibRecipe()).substr(0, 30));

    struct Case {
        const char *file;
        const char *text;
    } cases[] = {
        {"nothere.bmp", "Can't open file 'nothere.bmp'"},
        {"", "Can't open file ''"},
        {"Setup.bmp", "Setup.bmp is not a Legitimate DIB File!"},
        {"short.bmp", "short.bmp is not a Legitimate DIB File!"},
        {"deep.bmp", "CreatePalette() Failed"},
    };
    for (const Case &c : cases) {
        int result = -1;
        std::vector<SeenBox> boxes = LoadWatched(c.file, &result);
        EXPECT_EQ(0, result) << c.file;
        ASSERT_EQ(1u, boxes.size()) << c.file;
        EXPECT_EQ(c.text, boxes[0].text);
        EXPECT_EQ("Error", boxes[0].caption) << "the system's own caption";
        EXPECT_FALSE(gBitmap.loaded) << c.file;
        EXPECT_TRUE(gBitmap.hHeader == NULL && gBitmap.hPalette == NULL) << c.file;
    }
}

TEST_F(BitmapTest, EightBitPictureKeepsRgbForTheDeviceBitmapAndIndicesForBands)
{
    DibRecipe recipe;
    recipe.clrUsed = 20;
    recipe.width = 6;
    recipe.height = 3;
    recipe.pixels = std::string(8 * 3, '\x13');  // every pixel colour 19
    WriteFileBytes(dir + "\\twenty.bmp", MakeDib(recipe));
    ASSERT_EQ(1, LoadAndPaint("twenty.bmp", 10, 12));
    EXPECT_TRUE(gBitmap.loaded && gBitmap.paletteIndices);
    ASSERT_TRUE(gBitmap.hDeviceBitmap != NULL && gBitmap.hWhole != NULL);

    PALETTEENTRY pe[32];
    ASSERT_EQ(20u, GetPaletteEntries(gBitmap.hPalette, 0, 32, pe));
    EXPECT_EQ(DibTableRed(19), pe[19].peRed);
    EXPECT_EQ(DibTableBlue(19), pe[19].peBlue);

    const unsigned char *header = (const unsigned char *)GlobalLock(gBitmap.hHeader);
    const unsigned char *whole = (const unsigned char *)GlobalLock(gBitmap.hWhole);
    for (int i : {0, 7, 19}) {
        EXPECT_EQ(i, header[40 + i * 2] | header[41 + i * 2] << 8) << "index " << i;
        EXPECT_EQ(DibTableGreen(i), whole[40 + i * 4 + 1]) << "RGB entry " << i;
    }
    EXPECT_EQ(0x13, whole[40 + 20 * 4]) << "pixels right behind the 20 entries";
    GlobalUnlock(gBitmap.hWhole);
    GlobalUnlock(gBitmap.hHeader);

    BITMAP bm;
    ASSERT_TRUE(GetObjectA(gBitmap.hDeviceBitmap, sizeof bm, &bm));
    EXPECT_EQ(6, bm.bmWidth);
    EXPECT_EQ(3, bm.bmHeight);
    EXPECT_EQ(8, bm.bmBitsPixel) << "its own format on a true-colour screen";
    EXPECT_EQ(RGB(DibTableRed(19), DibTableGreen(19), DibTableBlue(19)), Pixel(10, 12));

    // For a palette display's screen, the picture's colours realised behind
    // the first ten, the device bitmap holds the realised indices. (A copy
    // would not tell: Wine matches it by the target's table, not a palette.)
    struct { BITMAPINFOHEADER h; RGBQUAD c[256]; } screen = {{40, 1, 1, 1, 8, 0, 0, 0, 0, 0, 0}};
    for (int i = 0; i < 20; i++)
        screen.c[10 + i] = {DibTableBlue(i), DibTableGreen(i), DibTableRed(i), 0};
    HDC device = CreateCompatibleDC(NULL);
    HGDIOBJ previous = SelectObject(
        device, CreateDIBSection(NULL, (BITMAPINFO *)&screen, DIB_RGB_COLORS, NULL, NULL, 0));
    HBITMAP made = BmpMakeDeviceBitmapFor(device, 1, gBitmap.hWhole, gBitmap.hPalette);
    DIBSECTION ds;
    ASSERT_EQ((int)sizeof ds, GetObjectA(made, sizeof ds, &ds)) << "Wine's are DIB sections";
    EXPECT_EQ(10 + 19, *(const unsigned char *)ds.dsBm.bmBits);
    DeleteObject(made);
    DeleteObject(SelectObject(device, previous));
    DeleteDC(device);
}

// A bare name is looked for beside the program before here, and here before
// the system folder; a name with a path is taken as given.
TEST_F(BitmapTest, PictureIsFoundBesideTheProgramThenHereThenInTheSystemFolder)
{
    std::string beside = FreshDir("beside"), system(MAX_PATH, '\0');
    system.resize(GetSystemDirectoryA(&system[0], MAX_PATH));
    strcpy(gState.programDir, beside.c_str());
    CreateDirectoryA((system + "\\tarnwick").c_str(), NULL);
    DibRecipe r;  // 5, 6, 7, 8 and 9 pixels wide
    for (const std::string &f : {beside + "\\a.bmp", dir + "\\a.bmp", dir + "\\tarnwick.bmp",
                                 system + "\\tarnwick.bmp", system + "\\tarnwick\\b.bmp"}) {
        r.width++;
        WriteFileBytes(f, MakeDib(r));
    }
    for (const auto &c : {std::make_pair("a.bmp", 5), std::make_pair("tarnwick.bmp", 7),
                          std::make_pair("tarnwick\\b.bmp", 0)}) {
        int result;
        LoadWatched(c.first, &result);
        BITMAP bm = {};
        GetObjectA(gBitmap.hDeviceBitmap, sizeof bm, &bm);
        EXPECT_EQ(c.second, result ? bm.bmWidth : 0) << c.first;
    }
    DeleteFileA((system + "\\tarnwick.bmp").c_str());
    DeleteFileA((system + "\\tarnwick\\b.bmp").c_str());
    RemoveDirectoryA((system + "\\tarnwick").c_str());
}

TEST_F(BitmapTest, PictureLandsAtItsPositionAndARestoreLeavesTheBackdrop)
{
    WriteFileBytes(dir + "\\cover.bmp", MakeMarkedDib24(64, 48, 8, kGreen, kRed));
    ASSERT_EQ(1, LoadAndPaint("cover.bmp", 20, 30));
    EXPECT_EQ(Rgb(kRed), Pixel(20, 30)) << "top-left corner at bmpX, bmpY";
    EXPECT_EQ(Rgb(kRed), Pixel(27, 37));
    EXPECT_EQ(Rgb(kGreen), Pixel(28, 38));
    EXPECT_EQ(Rgb(kGreen), Pixel(20 + 63, 30 + 47));
    EXPECT_EQ(kBackdrop, Pixel(19, 30));
    EXPECT_EQ(kBackdrop, Pixel(20, 29));
    EXPECT_EQ(kBackdrop, Pixel(20 + 64, 30 + 47));

    // Formats the system decodes from the whole-image block: RLE and core.
    DibRecipe rle;
    rle.bitCount = 4;
    rle.compression = 2;
    rle.pixels = std::string("\x04\x12\x00\x00\x04\x34\x00\x01", 8);
    WriteFileBytes(dir + "\\rle4.bmp", MakeDib(rle));
    ASSERT_EQ(1, LoadAndPaint("rle4.bmp", 200, 100));
    EXPECT_EQ(RGB(DibTableRed(3), DibTableGreen(3), DibTableBlue(3)), Pixel(200, 100));
    EXPECT_EQ(RGB(DibTableRed(2), DibTableGreen(2), DibTableBlue(2)), Pixel(201, 101));

    ShowWindow(wnd, SW_MINIMIZE);
    DrainQueue();
    ShowWindow(wnd, SW_RESTORE);
    UpdateWindow(wnd);
    DrainQueue();
    EXPECT_EQ(kBackdrop, Pixel(20, 30));
    EXPECT_EQ(kBackdrop, Pixel(200, 100));
}

namespace {

// Takes up the free address space of this 32-bit process in reservations
// until no free piece of largestLeft bytes or more is left: allocations of
// that size then fail as in a process that has run out of memory, while
// small ones still succeed. (A 64-bit process cannot do the same: Wine's
// page bookkeeping for 128 TB of reservations would exhaust the host.)
std::vector<void *> ReserveAddressSpace(size_t largestLeft)
{
    std::vector<void *> held;
    size_t size = (size_t)1 << 31;
    while (size >= largestLeft) {
        void *p = VirtualAlloc(NULL, size, MEM_RESERVE, PAGE_NOACCESS);
        if (p != NULL)
            held.push_back(p);
        else
            size /= 2;
    }
    return held;
}

void ReleaseAddressSpace(std::vector<void *> &held)
{
    for (void *p : held)
        VirtualFree(p, 0, MEM_RELEASE);
    held.clear();
}

// The bytes this process has read, as the host's kernel counts them (rchar
// of /proc/PID/io): Wine keeps no count of its own. The host opens files for
// Wine's server, so /proc/self would be the server's; this process is the
// test process among the host's that holds `marker`, a file only this test
// opened and used.
uint64_t BytesRead(HANDLE marker)
{
    BY_HANDLE_FILE_INFORMATION mine;
    if (!GetFileInformationByHandle(marker, &mine))
        return 0;
    std::string io;
    WIN32_FIND_DATAA pidEntry;
    HANDLE pids = FindFirstFileA("Z:\\proc\\*", &pidEntry);
    if (pids == INVALID_HANDLE_VALUE)
        return 0;
    do {
        std::string proc = std::string("Z:\\proc\\") + pidEntry.cFileName;
        if (ReadFileBytes(proc + "\\comm").compare(0, 15, "setup_wine_test") != 0)
            continue;
        WIN32_FIND_DATAA fdEntry;
        HANDLE fds = FindFirstFileA((proc + "\\fd\\*").c_str(), &fdEntry);
        if (fds == INVALID_HANDLE_VALUE)
            continue;
        do {
            HANDLE f = CreateFileA((proc + "\\fd\\" + fdEntry.cFileName).c_str(), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                   OPEN_EXISTING, 0, NULL);
            if (f == INVALID_HANDLE_VALUE)
                continue;
            BY_HANDLE_FILE_INFORMATION theirs;
            if (GetFileInformationByHandle(f, &theirs) &&
                theirs.nFileIndexHigh == mine.nFileIndexHigh &&
                theirs.nFileIndexLow == mine.nFileIndexLow && theirs.nFileSizeLow == mine.nFileSizeLow)
                io = ReadFileBytes(proc + "\\io");
            CloseHandle(f);
        } while (io.empty() && FindNextFileA(fds, &fdEntry));
        FindClose(fds);
    } while (io.empty() && FindNextFileA(pids, &pidEntry));
    FindClose(pids);
    size_t at = io.find("rchar: ");
    return at == std::string::npos ? 0 : strtoull(io.c_str() + at + 7, NULL, 10);
}

// A file of this test, open and used, so that the host holds it for this
// process; its content makes it unlike any other file.
HANDLE OpenMarker(const std::string &dir)
{
    char text[64];
    snprintf(text, sizeof text, "marker %lu %lu", GetCurrentProcessId(), GetTickCount());
    WriteFileBytes(dir + "\\marker.txt", text);
    HANDLE f = CreateFileA((dir + "\\marker.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                           OPEN_EXISTING, 0, NULL);
    char first;
    DWORD got;
    ReadFile(f, &first, 1, &got, NULL);
    return f;
}

const int kHugeSide = 30000;

// A sparse 24-bit picture of kHugeSide x kHugeSide (2.7 GB of rows); only
// its top 20 rows hold data: a red 10 x 10 corner, white to the right of it.
// The rest reads as zero, black.
void WriteHugePicture(const std::string &path)
{
    DibRecipe recipe;
    recipe.width = kHugeSide;
    recipe.height = kHugeSide;
    recipe.bitCount = 24;
    recipe.pixels = "x";
    std::string head = MakeDib(recipe);
    head.resize(head.size() - 1);
    const int64_t row = kHugeSide * 3;
    std::string top(20 * row, '\0');
    for (int r = 0; r < 20; r++)  // file order: the last row is the top one
        for (int x = 0; x < kHugeSide; x++) {
            const uint8_t *c = (19 - r) < 10 && x < 10 ? kRed : kWhite;
            top[r * row + x * 3] = (char)c[2];
            top[r * row + x * 3 + 1] = (char)c[1];
            top[r * row + x * 3 + 2] = (char)c[0];
        }
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, f);
    DWORD n;
    WriteFile(f, head.data(), (DWORD)head.size(), &n, NULL);
    LARGE_INTEGER at;
    at.QuadPart = (int64_t)head.size() + (kHugeSide - 20) * row;
    SetFilePointerEx(f, at, NULL, FILE_BEGIN);
    WriteFile(f, top.data(), (DWORD)top.size(), &n, NULL);
    CloseHandle(f);
}

}  // namespace

// Both flavours compile these tests; the band painter is reached only in
// the 32-bit one, without any hook: there a picture cannot be had whole.
// A 64-bit process holds any picture a header can describe (under 4 GB)
// whole and draws it from the device bitmap, unless its memory runs out,
// which a test cannot bring about there (see ReserveAddressSpace).
#define SKIP_UNLESS_32_BIT()                                                     \
    if (sizeof(void *) != 4)                                                    \
    GTEST_SKIP() << "a 64-bit process holds every picture whole"

// A 2.7 GB picture never fits a 32-bit process.
TEST_F(BitmapTest, PictureTooLargeToHoldIsDrawnFromTheFileInBands)
{
    SKIP_UNLESS_32_BIT();
    std::string path = dir + "\\huge.bmp";
    WriteHugePicture(path);
    DibRecipe rle;
    rle.compression = 1;
    rle.sizeImage = 200u << 20;
    rle.pixels = std::string("\x00\x01", 2);
    WriteFileBytes(dir + "\\bigrle.bmp", MakeDib(rle));

    HANDLE marker = OpenMarker(dir);
    uint64_t readBefore = BytesRead(marker);
    int loaded = LoadAndPaint("huge.bmp", 15, 25);
    uint64_t read = BytesRead(marker) - readBefore;
    CloseHandle(marker);
    int fromFile = gBitmap.loaded && gBitmap.hWhole == NULL && gBitmap.hDeviceBitmap == NULL;
    BmpRelease();
    std::vector<void *> held = ReserveAddressSpace(64u << 20);
    int rleResult = -1;
    std::vector<SeenBox> boxes = LoadWatched("bigrle.bmp", &rleResult);
    ReleaseAddressSpace(held);

    EXPECT_EQ(1, loaded);
    EXPECT_TRUE(fromFile) << "drawn from the file";
    EXPECT_EQ(Rgb(kRed), Pixel(15, 25)) << "top-left corner at bmpX, bmpY";
    EXPECT_EQ(Rgb(kRed), Pixel(24, 34));
    EXPECT_EQ(Rgb(kWhite), Pixel(25, 34));
    EXPECT_EQ(RGB(0, 0, 0), Pixel(15, 25 + 20));
    EXPECT_EQ(kBackdrop, Pixel(14, 25));
    EXPECT_EQ(kBackdrop, Pixel(15, 24));
    // The window shows about 500 of the 30,000 rows: the bands that hold
    // them are read, the bands below are skipped in the file.
    EXPECT_GT(read, 400ull * kHugeSide * 3) << "the rows that show were read";
    EXPECT_LT(read, 1200ull << 20) << "read " << (read >> 20) << " MB of 2,575 MB";

    // A compressed picture can only be drawn whole.
    EXPECT_EQ(0, rleResult);
    ASSERT_EQ(1u, boxes.size());
    EXPECT_EQ("Could not load RLE!", boxes[0].text);
    EXPECT_FALSE(gBitmap.loaded);
    DeleteFileA(path.c_str());
}

// 40 rows of 65,535 pixels: 7.5 MB as a block and as the one band tried.
// With the address space taken up down to pieces under 4 MB neither can be
// had.
TEST_F(BitmapTest, FortyRowPictureWithoutMemoryForItsBandGivesTheNoMemoryReaction)
{
    SKIP_UNLESS_32_BIT();
    WriteFileBytes(dir + "\\wide.bmp", MakeMarkedDib24(65535, 40, 4, kGreen, kRed));
    strcpy(gState.bmpFile, "wide.bmp");
    gState.bmpX = 5;
    gState.bmpY = 5;

    std::vector<void *> held = ReserveAddressSpace(4u << 20);
    int loaded = BmpLoad(wnd);
    SetFocus(wnd);
    int focused = GetFocus() == wnd;
    InvalidateRect(wnd, NULL, TRUE);
    HDC dc = GetDC(wnd);
    StartBoxWatcher({IDOK});
    BmpPaint(wnd, dc, 35, 25);
    std::vector<SeenBox> withFocus = StopBoxWatcher();
    RECT update;
    BOOL stillInvalid = GetUpdateRect(wnd, &update, FALSE);

    SetFocus(NULL);
    StartBoxWatcher({IDOK});
    BmpPaint(wnd, dc, 35, 25);
    std::vector<SeenBox> withoutFocus = StopBoxWatcher();
    ReleaseDC(wnd, dc);
    ReleaseAddressSpace(held);

    EXPECT_EQ(1, loaded);
    EXPECT_TRUE(gBitmap.loaded && gBitmap.hWhole == NULL);
    ASSERT_TRUE(focused);
    ASSERT_EQ(1u, withFocus.size());
    EXPECT_EQ("No memory available!", withFocus[0].text);
    EXPECT_FALSE(stillInvalid) << "the window was validated";
    EXPECT_TRUE(withoutFocus.empty()) << "only a beep without the focus";
}
