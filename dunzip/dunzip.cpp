// DUNZIP32.DLL: the Win32 side of our unzip library. It binds the portable
// core to Win32 file calls and to the caller's stdcall progress callback.
// "dunzip" itself is cdecl: the caller removes its one argument.
// Plain C-style code: the DLL carries no C++ run-time.
#include <windows.h>

#include "common/ansi_code_page.h"
#include "common/codepage.h"
#include "unzip_params.h"
#include "zip_core.h"

// The core's outcomes are the library's results, number for number.
static_assert((int)kZipDone == kUnzipDone && (int)kZipStopped == kUnzipStopped &&
                  (int)kZipNotArchive == kUnzipNotArchive &&
                  (int)kZipWriteFailed == kUnzipWriteFailed &&
                  (int)kZipNoMemory == kUnzipNoMemory && (int)kZipIncomplete == kUnzipIncomplete,
              "zip core results and dunzip results agree");

// What the file callbacks of one "dunzip" call share.
struct Target {
    HANDLE archive;
    char dir[MAX_PATH];  // target directory, without a trailing backslash
    size_t dirLen;
    UnzipCallbackFn callback;
};

static int32_t ReadArchive(void *ctx, uint64_t offset, void *buf, uint32_t n)
{
    Target *t = (Target *)ctx;
    LONG high = (LONG)(offset >> 32);
    DWORD low = SetFilePointer(t->archive, (LONG)(uint32_t)offset, &high, FILE_BEGIN);
    if (low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR)
        return -1;
    DWORD total = 0;
    while (total < n) {
        DWORD got = 0;
        if (!ReadFile(t->archive, (char *)buf + total, n - total, &got, NULL))
            return -1;
        if (got == 0)
            break;
        total += got;
    }
    return (int32_t)total;
}

// Length of the target directory without its trailing separators: only
// "\" and "/" characters of their own, never the trail byte of a
// character that ends the directory's name.
static size_t WithoutTrailingSeparators(const char *dir)
{
    size_t kept = 0;
    for (size_t i = 0; dir[i] != '\0'; i += CharSize(dir + i)) {
        if (CharSize(dir + i) == 2 || (dir[i] != '\\' && dir[i] != '/'))
            kept = i + CharSize(dir + i);
    }
    return kept;
}

// The full path of a member path; 0 when it does not fit MAX_PATH. The
// member path's "/" separators become "\"; the core refused names in
// which a "/" could be a trail byte.
static int FullPath(const Target *t, const char *rel, char *out)
{
    size_t relLen = lstrlenA(rel);
    if (t->dirLen + 1 + relLen + 1 > MAX_PATH)
        return 0;
    CopyMemory(out, t->dir, t->dirLen);
    out[t->dirLen] = '\\';
    for (size_t i = 0; i <= relLen; ++i)
        out[t->dirLen + 1 + i] = rel[i] == '/' ? '\\' : rel[i];
    return 1;
}

static void *CreateMember(void *ctx, const char *rel)
{
    char path[MAX_PATH];
    if (!FullPath((Target *)ctx, rel, path))
        return NULL;
    HANDLE h = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, NULL);
    return h == INVALID_HANDLE_VALUE ? NULL : (void *)h;
}

static int WriteMember(void *, void *file, const void *buf, uint32_t n)
{
    DWORD done = 0;
    return WriteFile((HANDLE)file, buf, n, &done, NULL) && done == n;
}

static int CloseMember(void *, void *file)
{
    return CloseHandle((HANDLE)file) != 0;
}

static void RemoveMember(void *ctx, const char *rel)
{
    char path[MAX_PATH];
    if (FullPath((Target *)ctx, rel, path))
        DeleteFileA(path);
}

static void MakeDir(void *ctx, const char *rel)
{
    char path[MAX_PATH];
    if (FullPath((Target *)ctx, rel, path))
        CreateDirectoryA(path, NULL);
}

static int Progress(void *ctx, uint32_t index, uint32_t count, uint32_t bytesWritten)
{
    Target *t = (Target *)ctx;
    return t->callback == NULL || t->callback(index, count, bytesWritten) != 0;
}

// The DLL's entry point, in place of the C run-time's start-up code, which
// this library does not need (msvcrt.dll starts itself): it keeps the file,
// which setup copies at half a second per 4 KiB, small.
extern "C" BOOL WINAPI DunzipEntry(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}

extern "C" int32_t __cdecl dunzip(const UnzipParams *params)
{
    if (params == NULL || params->structSize != kUnzipParamsSize ||
        params->operation != kUnzipExtractAll || params->archiveName == 0)
        return kUnzipBadParams;

    // Names and the target directory are ANSI text of the system's code
    // page, the one CreateFileA reads them in.
    LoadAnsiCodePage();
    Target t;
    const char *dir = params->targetDir != 0 ? (const char *)(uintptr_t)params->targetDir : ".";
    t.dirLen = WithoutTrailingSeparators(dir);
    if (t.dirLen == 0 || t.dirLen >= sizeof t.dir)
        return kUnzipBadParams;
    CopyMemory(t.dir, dir, t.dirLen);
    t.dir[t.dirLen] = '\0';
    t.callback = (UnzipCallbackFn)(uintptr_t)params->callback;

    t.archive = CreateFileA((const char *)(uintptr_t)params->archiveName, GENERIC_READ,
                            FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (t.archive == INVALID_HANDLE_VALUE)
        return kUnzipCannotOpen;
    LARGE_INTEGER size;
    ZipWork *work = (ZipWork *)HeapAlloc(GetProcessHeap(), 0, sizeof(ZipWork));
    int32_t result = kUnzipNoMemory;
    if (work != NULL && GetFileSizeEx(t.archive, &size)) {
        ZipIo io = {&t, ReadArchive, CreateMember, WriteMember, CloseMember,
                    RemoveMember, MakeDir, Progress};
        ZipStats stats;
        result = ZipOutcome(ZipExpandAll(&io, (uint64_t)size.QuadPart, work, &stats), &stats);
    }
    if (work != NULL)
        HeapFree(GetProcessHeap(), 0, work);
    CloseHandle(t.archive);
    return result;
}
