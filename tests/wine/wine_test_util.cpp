#include "wine_test_util.h"

#include <stdio.h>
#include <string.h>

namespace {

struct Watcher {
    HANDLE thread;
    HANDLE stop;
    std::vector<int> answers;
    std::vector<SeenBox> seen;
    std::vector<HWND> handled;
};

Watcher W;

BOOL CALLBACK FindBox(HWND w, LPARAM out)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char cls[32] = "";
    GetClassNameA(w, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && IsWindowVisible(w) && !strcmp(cls, "#32770") &&
        GetDlgItem(w, 0xFFFF) != NULL) {
        *(HWND *)out = w;
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI WatchBoxes(LPVOID)
{
    while (WaitForSingleObject(W.stop, 20) == WAIT_TIMEOUT) {
        HWND box = NULL;
        EnumWindows(FindBox, (LPARAM)&box);
        if (box == NULL)
            continue;
        bool known = false;
        for (HWND h : W.handled)
            known = known || h == box;
        if (known && IsWindow(box))
            continue;
        char caption[512] = "", text[1024] = "";
        GetWindowTextA(box, caption, sizeof caption);
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        size_t index = W.seen.size();
        W.seen.push_back({caption, text});
        W.handled.push_back(box);
        int answer = index < W.answers.size() ? W.answers[index] : IDOK;
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                     (LPARAM)GetDlgItem(box, answer));
    }
    return 0;
}

}  // namespace

void StartBoxWatcher(const std::vector<int> &answers)
{
    W.answers = answers;
    W.seen.clear();
    W.handled.clear();
    W.stop = CreateEventA(NULL, TRUE, FALSE, NULL);
    W.thread = CreateThread(NULL, 0, WatchBoxes, NULL, 0, NULL);
}

std::vector<SeenBox> StopBoxWatcher()
{
    SetEvent(W.stop);
    WaitForSingleObject(W.thread, INFINITE);
    CloseHandle(W.thread);
    CloseHandle(W.stop);
    return W.seen;
}

static void RemoveTree(const std::string &dir)
{
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string name = fd.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = dir + "\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryA(dir.c_str());
}

std::string FreshDir(const char *name)
{
    char tmp[MAX_PATH];
    GetTempPathA(sizeof tmp, tmp);
    std::string dir = std::string(tmp) + "tarnwick-" + name;
    RemoveTree(dir);
    CreateDirectoryA(dir.c_str(), NULL);
    return dir;
}

void WriteFileBytes(const std::string &path, const std::string &bytes)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (f) {
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
    }
}

std::string ReadFileBytes(const std::string &path)
{
    std::string out;
    FILE *f = fopen(path.c_str(), "rb");
    if (!f)
        return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, n);
    fclose(f);
    return out;
}

bool FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void DrainQueue()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (msg.message != WM_QUIT)
            DispatchMessageA(&msg);
    }
}

std::string Blob(size_t length, char seed)
{
    std::string b(length, '\0');
    for (size_t i = 0; i < length; ++i)
        b[i] = (char)(seed + i * 7 + i / 251);
    return b;
}

std::string TestProgram(const char *name)
{
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, sizeof self);
    std::string path(self);
    return path.substr(0, path.rfind('\\')) + "\\" + name;
}
