// uidriver: starts a program under test and plays a scenario against the
// windows it and the processes it starts put on the screen.
//
//   uidriver [--transcript FILE] [--shots DIR] [--verbatim] [--bare] SCENARIO -- PROGRAM [ARGS...]
//
// The program's command line is its arguments joined by blanks, each one
// with a blank or a quote in double quotes; with --verbatim they are joined
// as they are, as a deployment tool writes "/D=C:\My Books". With --bare
// the screen must stay as it was before the program started, whatever
// process would change it (the shell's folder windows among them): it is
// compared at every poll of every wait and at the end, and a change ends
// the run with a shot "changed".
//
// SCENARIO holds one step a line ("#" starts a comment; strings are in
// double quotes with \\, \", \r, \n and \t escapes):
//
//   timeout SECONDS            bound of every later wait (default 30)
//   dialog ID[,ID...]          wait for a visible top-level window holding
//                              controls of all these ids; it becomes current
//   msgbox "CAPTION" "TEXT"    wait for a message box with exactly this
//                              caption and text (static control 0xFFFF)
//   window "CLASS" "TITLE"     wait for a visible top-level window of that
//                              class and exact title
//   text ID "TEXT"             current window's control ID holds exactly TEXT
//   waittext ID "TEXT"         wait until control ID of the current window
//                              holds exactly TEXT
//   title "TEXT"               current window's title is exactly TEXT
//   visible ID / hidden ID     control ID of the current window is (not) visible
//   type ID "TEXT"             put TEXT into edit control ID
//   press ID                   click button ID of the current window
//   gone                       wait until the current window is hidden or gone
//   shot "NAME"                save the screen as DIR/NAME.bmp
//   exit CODE                  wait for the program to end with this exit code
//                              (processes it started may still be running)
//   file "PATH" / nofile "PATH"  wait for a file to exist / to be gone; for
//                              what processes left running still do
//   nowindows                  no window of the program was ever shown
//   ended                      wait until every process the program started
//                              (and theirs, in turn) has ended
//
// Every visible top-level window met is written to the transcript with its
// texts. Any time-out or mismatch ends the run with exit code 1 and a
// message that says what was expected and what was on the screen.
#include <windows.h>
#include <tlhelp32.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

struct Driver {
    PROCESS_INFORMATION child;
    std::set<DWORD> tree;      // the program and every process it started
    std::map<DWORD, ULONGLONG> born;  // when each of the tree was created
    std::vector<HANDLE> held;  // a handle of each, opened when adopted: no id of
                               // the tree is given to another process meanwhile
    std::set<HWND> seen;       // windows already written to the transcript
    FILE *transcript;
    std::string shotDir;
    HWND current;
    double timeout;
    int line;
    std::string scenario;
    std::vector<char> bare;    // the screen before the program started, with --bare
};

Driver D;

[[noreturn]] void Fail(const char *fmt, ...)
{
    char text[4096];
    va_list args;
    va_start(args, fmt);
    vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    fprintf(stderr, "uidriver: %s:%d: %s\n", D.scenario.c_str(), D.line, text);
    if (D.transcript)
        fprintf(D.transcript, "FAILED at line %d: %s\n", D.line, text);
    if (D.child.hProcess)
        TerminateProcess(D.child.hProcess, 99);
    fflush(NULL);
    ExitProcess(1);
}

std::string Escape(const std::string &s)
{
    std::string out;
    for (char c : s) {
        switch (c) {
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        case '\t': out += "\\t"; break;
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        default: out += c;
        }
    }
    return out;
}

// Text of a window of another process: WM_GETTEXT is marshalled across
// processes, GetWindowText is not for controls.
std::string TextOf(HWND w)
{
    DWORD_PTR len = 0;
    if (!SendMessageTimeoutA(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len))
        return "<no answer>";
    std::vector<char> buf(len + 2);
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(w, WM_GETTEXT, buf.size(), (LPARAM)buf.data(),
                             SMTO_ABORTIFHUNG, 5000, &got))
        return "<no answer>";
    buf[buf.size() - 1] = '\0';
    return std::string(buf.data());
}

std::string ClassOf(HWND w)
{
    char name[256] = "";
    GetClassNameA(w, name, sizeof name);
    return name;
}

// When the process was created, 0 when that cannot be read.
ULONGLONG CreationTime(HANDLE process)
{
    FILETIME created, exited, kernel, user;
    if (process == NULL || !GetProcessTimes(process, &created, &exited, &kernel, &user))
        return 0;
    return ((ULONGLONG)created.dwHighDateTime << 32) | created.dwLowDateTime;
}

void RefreshTree()
{
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return;
    bool grew = true;
    while (grew) {
        grew = false;
        PROCESSENTRY32 pe;
        pe.dwSize = sizeof pe;
        for (BOOL ok = Process32First(snap, &pe); ok; ok = Process32Next(snap, &pe)) {
            if (!D.tree.count(pe.th32ParentProcessID) || D.tree.count(pe.th32ProcessID))
                continue;
            // A process keeps its parent's id after the parent has ended, and
            // that id can be given to the program later: one created before
            // its supposed parent was started by someone else (a shell window
            // of an earlier run), never by the tree.
            HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                   pe.th32ProcessID);
            ULONGLONG born = CreationTime(h);
            ULONGLONG parentBorn = D.born[pe.th32ParentProcessID];
            if (born != 0 && parentBorn != 0 && born < parentBorn) {
                if (h != NULL)
                    CloseHandle(h);
                continue;
            }
            D.tree.insert(pe.th32ProcessID);
            D.born[pe.th32ProcessID] = born;
            if (h != NULL)
                D.held.push_back(h);
            grew = true;
            if (D.transcript) {
                fprintf(D.transcript, "adopted pid %lu (%s), started by pid %lu\n",
                        (unsigned long)pe.th32ProcessID, pe.szExeFile,
                        (unsigned long)pe.th32ParentProcessID);
                fflush(D.transcript);
            }
        }
    }
    CloseHandle(snap);
}

BOOL CALLBACK CollectTopLevel(HWND w, LPARAM out)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    if (D.tree.count(pid) && IsWindowVisible(w))
        ((std::vector<HWND> *)out)->push_back(w);
    return TRUE;
}

std::vector<HWND> Windows()
{
    RefreshTree();
    std::vector<HWND> found;
    EnumWindows(CollectTopLevel, (LPARAM)&found);
    return found;
}

BOOL CALLBACK CollectChild(HWND w, LPARAM out)
{
    ((std::vector<HWND> *)out)->push_back(w);
    return TRUE;
}

std::vector<HWND> Children(HWND w)
{
    std::vector<HWND> found;
    EnumChildWindows(w, CollectChild, (LPARAM)&found);
    return found;
}

std::string Describe(HWND w)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(w, &pid);
    char head[128];
    snprintf(head, sizeof head, "window %p pid %lu class ", (void *)w, (unsigned long)pid);
    std::string out = head + ClassOf(w) + " title \"" + Escape(TextOf(w)) + "\"\n";
    for (HWND c : Children(w)) {
        char id[64];
        snprintf(id, sizeof id, "  control %d ", GetDlgCtrlID(c));
        out += id + ClassOf(c) + (IsWindowVisible(c) ? "" : " (hidden)") + " \"" +
               Escape(TextOf(c)) + "\"\n";
    }
    return out;
}

// Writes the windows not met before to the transcript.
void Record(const std::vector<HWND> &windows)
{
    for (HWND w : windows) {
        if (D.seen.insert(w).second && D.transcript) {
            fprintf(D.transcript, "%s", Describe(w).c_str());
            fflush(D.transcript);
        }
    }
}

void CheckBare();

void Record()
{
    Record(Windows());
    CheckBare();
}

std::string Screen()
{
    std::string out;
    for (HWND w : Windows())
        out += Describe(w);
    return out.empty() ? "no window of the program is visible\n" : out;
}

// Polls for a window that satisfies match, up to the time-out.
template <typename Match> HWND WaitFor(const char *what, Match match)
{
    DWORD start = GetTickCount();
    for (;;) {
        // One enumeration for both, so a window that appears between two
        // never gets matched without being written down.
        std::vector<HWND> windows = Windows();
        Record(windows);
        CheckBare();
        for (HWND w : windows) {
            if (match(w))
                return w;
        }
        if (GetTickCount() - start > D.timeout * 1000) {
            DWORD code = STILL_ACTIVE;
            GetExitCodeProcess(D.child.hProcess, &code);
            Fail("timed out after %.0f s waiting for %s; program %s; on screen:\n%s",
                 D.timeout, what,
                 code == STILL_ACTIVE ? "still running" : "has ended", Screen().c_str());
        }
        Sleep(50);
    }
}

HWND Control(int id)
{
    if (!D.current)
        Fail("no current window");
    HWND c = GetDlgItem(D.current, id);
    if (!c)
        Fail("current window has no control %d:\n%s", id, Describe(D.current).c_str());
    return c;
}

// --- scenario parsing ---------------------------------------------------

struct Cursor {
    const char *p;
};

void SkipBlanks(Cursor &c)
{
    while (*c.p == ' ' || *c.p == '\t')
        ++c.p;
}

std::string Word(Cursor &c)
{
    SkipBlanks(c);
    const char *start = c.p;
    while (*c.p && *c.p != ' ' && *c.p != '\t')
        ++c.p;
    return std::string(start, c.p);
}

std::string Quoted(Cursor &c)
{
    SkipBlanks(c);
    if (*c.p != '"')
        Fail("expected a quoted string at \"%s\"", c.p);
    ++c.p;
    std::string out;
    while (*c.p && *c.p != '"') {
        char ch = *c.p++;
        if (ch == '\\') {
            char e = *c.p++;
            switch (e) {
            case 'r': ch = '\r'; break;
            case 'n': ch = '\n'; break;
            case 't': ch = '\t'; break;
            case '\0': Fail("string ends in a backslash");
            default: ch = e;
            }
        }
        out += ch;
    }
    if (*c.p != '"')
        Fail("unterminated string");
    ++c.p;
    return out;
}

int Number(Cursor &c)
{
    std::string w = Word(c);
    char *end = nullptr;
    long v = strtol(w.c_str(), &end, 0);
    if (w.empty() || *end)
        Fail("expected a number, found \"%s\"", w.c_str());
    return (int)v;
}

// --- steps ----------------------------------------------------------------

// The screen's pixels, 24 bits each, bottom-up rows.
std::vector<char> CaptureScreen(int *width, int *height)
{
    HDC screen = GetDC(NULL);
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
    BITMAPINFOHEADER bi = {};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    bi.biCompression = BI_RGB;
    int stride = (w * 3 + 3) & ~3;
    std::vector<char> pixels((size_t)stride * h);
    GetDIBits(mem, bmp, 0, h, pixels.data(), (BITMAPINFO *)&bi, DIB_RGB_COLORS);
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(NULL, screen);
    *width = w;
    *height = h;
    return pixels;
}

void SaveScreen(const std::string &name)
{
    int w = 0, h = 0;
    std::vector<char> pixels = CaptureScreen(&w, &h);
    BITMAPINFOHEADER bi = {};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    bi.biCompression = BI_RGB;
    std::string path = D.shotDir + "\\" + name + ".bmp";
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        Fail("cannot write %s", path.c_str());
    BITMAPFILEHEADER fh = {};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi;
    fh.bfSize = fh.bfOffBits + (DWORD)pixels.size();
    fwrite(&fh, sizeof fh, 1, f);
    fwrite(&bi, sizeof bi, 1, f);
    fwrite(pixels.data(), 1, pixels.size(), f);
    fclose(f);
}

// With --bare: the screen must still be the one met at start.
void CheckBare()
{
    if (D.bare.empty())
        return;
    int w = 0, h = 0;
    if (CaptureScreen(&w, &h) == D.bare)
        return;
    SaveScreen("changed");
    D.bare.clear();  // Fail's own report must not check again
    Fail("the screen changed while the program ran (shot \"changed\"); the program's windows:\n%s",
         Screen().c_str());
}

bool HasIds(HWND w, const std::vector<int> &ids)
{
    for (int id : ids) {
        if (!GetDlgItem(w, id))
            return false;
    }
    return true;
}

void Step(const std::string &raw)
{
    Cursor c{raw.c_str()};
    std::string verb = Word(c);
    if (verb.empty() || verb[0] == '#')
        return;
    if (verb == "timeout") {
        D.timeout = Number(c);
    } else if (verb == "dialog") {
        std::string list = Word(c);
        std::vector<int> ids;
        for (const char *p = list.c_str(); *p;) {
            char *end = nullptr;
            ids.push_back((int)strtol(p, &end, 0));
            p = *end == ',' ? end + 1 : end;
            if (end == p && *p)
                Fail("bad id list \"%s\"", list.c_str());
        }
        std::string what = "a dialog with controls " + list;
        D.current = WaitFor(what.c_str(), [&](HWND w) { return HasIds(w, ids); });
    } else if (verb == "msgbox") {
        std::string caption = Quoted(c);
        std::string text = Quoted(c);
        std::string what = "message box \"" + Escape(caption) + "\" / \"" + Escape(text) + "\"";
        D.current = WaitFor(what.c_str(), [&](HWND w) {
            HWND t = GetDlgItem(w, 0xFFFF);
            return ClassOf(w) == "#32770" && t && TextOf(w) == caption && TextOf(t) == text;
        });
    } else if (verb == "window") {
        std::string cls = Quoted(c);
        std::string title = Quoted(c);
        std::string what = "window of class " + cls + " titled \"" + Escape(title) + "\"";
        D.current = WaitFor(what.c_str(), [&](HWND w) {
            return ClassOf(w) == cls && TextOf(w) == title;
        });
    } else if (verb == "text") {
        int id = Number(c);
        std::string want = Quoted(c);
        std::string got = TextOf(Control(id));
        if (got != want)
            Fail("control %d holds \"%s\", expected \"%s\"", id, Escape(got).c_str(),
                 Escape(want).c_str());
    } else if (verb == "waittext") {
        int id = Number(c);
        std::string want = Quoted(c);
        HWND control = Control(id);
        DWORD start = GetTickCount();
        std::string got;
        while ((got = TextOf(control)) != want) {
            Record();
            if (GetTickCount() - start > D.timeout * 1000)
                Fail("control %d still holds \"%s\" after %.0f s, expected \"%s\"", id,
                     Escape(got).c_str(), D.timeout, Escape(want).c_str());
            Sleep(50);
        }
    } else if (verb == "title") {
        std::string want = Quoted(c);
        std::string got = TextOf(D.current);
        if (got != want)
            Fail("title is \"%s\", expected \"%s\"", Escape(got).c_str(), Escape(want).c_str());
    } else if (verb == "visible" || verb == "hidden") {
        int id = Number(c);
        bool shown = IsWindowVisible(Control(id)) != 0;
        if (shown != (verb == "visible"))
            Fail("control %d is %s", id, shown ? "visible" : "hidden");
    } else if (verb == "type") {
        int id = Number(c);
        std::string text = Quoted(c);
        DWORD_PTR r;
        SendMessageTimeoutA(Control(id), WM_SETTEXT, 0, (LPARAM)text.c_str(),
                            SMTO_ABORTIFHUNG, 5000, &r);
    } else if (verb == "press") {
        int id = Number(c);
        // Posted, not sent: the handler may run a whole installation.
        PostMessageA(D.current, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), (LPARAM)Control(id));
    } else if (verb == "gone") {
        HWND w = D.current;
        DWORD start = GetTickCount();
        while (IsWindow(w) && IsWindowVisible(w)) {
            Record();
            if (GetTickCount() - start > D.timeout * 1000)
                Fail("window still shown after %.0f s:\n%s", D.timeout, Describe(w).c_str());
            Sleep(50);
        }
        D.current = NULL;
    } else if (verb == "shot") {
        SaveScreen(Quoted(c));
    } else if (verb == "exit") {
        int want = Number(c);
        DWORD start = GetTickCount();
        while (WaitForSingleObject(D.child.hProcess, 50) == WAIT_TIMEOUT) {
            Record();
            if (GetTickCount() - start > D.timeout * 1000)
                Fail("program still running after %.0f s; on screen:\n%s", D.timeout,
                     Screen().c_str());
        }
        DWORD code = 0;
        GetExitCodeProcess(D.child.hProcess, &code);
        if ((int)code != want)
            Fail("program ended with exit code %lu, expected %d", (unsigned long)code, want);
    } else if (verb == "file" || verb == "nofile") {
        std::string path = Quoted(c);
        bool want = verb == "file";
        DWORD start = GetTickCount();
        while ((GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) != want) {
            Record();
            if (GetTickCount() - start > D.timeout * 1000)
                Fail("%s still %s after %.0f s", path.c_str(), want ? "missing" : "present",
                     D.timeout);
            Sleep(50);
        }
    } else if (verb == "ended") {
        DWORD start = GetTickCount();
        for (;;) {
            Record();  // adopts what was started meanwhile
            bool running = false;
            for (HANDLE h : D.held)
                running = running || WaitForSingleObject(h, 0) == WAIT_TIMEOUT;
            if (!running)
                break;
            if (GetTickCount() - start > D.timeout * 1000)
                Fail("processes of the program still running after %.0f s", D.timeout);
            Sleep(50);
        }
    } else if (verb == "nowindows") {
        Record();
        if (!D.seen.empty())
            Fail("the program showed %u window(s)", (unsigned)D.seen.size());
    } else {
        Fail("unknown step \"%s\"", verb.c_str());
    }
}

std::string Quote(const char *arg)
{
    if (*arg && !strpbrk(arg, " \t\""))
        return arg;
    std::string out = "\"";
    for (const char *p = arg; *p; ++p) {
        if (*p == '"')
            out += '\\';
        out += *p;
    }
    return out + "\"";
}

}  // namespace

int main(int argc, char **argv)
{
    D.timeout = 30;
    D.shotDir = ".";
    const char *transcriptPath = nullptr;
    bool verbatim = false, bare = false;
    int i = 1;
    for (; i < argc && strcmp(argv[i], "--") != 0; ++i) {
        if (!strcmp(argv[i], "--transcript") && i + 1 < argc)
            transcriptPath = argv[++i];
        else if (!strcmp(argv[i], "--shots") && i + 1 < argc)
            D.shotDir = argv[++i];
        else if (!strcmp(argv[i], "--verbatim"))
            verbatim = true;
        else if (!strcmp(argv[i], "--bare"))
            bare = true;
        else
            D.scenario = argv[i];
    }
    if (D.scenario.empty() || i + 1 >= argc) {
        fprintf(stderr, "usage: uidriver [--transcript FILE] [--shots DIR] [--verbatim] [--bare] "
                        "SCENARIO -- PROGRAM [ARGS...]\n");
        return 2;
    }
    FILE *script = fopen(D.scenario.c_str(), "r");
    if (!script) {
        fprintf(stderr, "uidriver: cannot read %s\n", D.scenario.c_str());
        return 2;
    }
    if (transcriptPath)
        D.transcript = fopen(transcriptPath, "w");

    std::string cmd;
    for (int a = i + 1; a < argc; ++a)
        cmd += (a > i + 1 ? " " : "") + (verbatim ? std::string(argv[a]) : Quote(argv[a]));
    if (bare) {
        int w = 0, h = 0;
        D.bare = CaptureScreen(&w, &h);
    }
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::vector<char> cmdBuf(cmd.begin(), cmd.end());
    cmdBuf.push_back('\0');
    if (!CreateProcessA(NULL, cmdBuf.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &D.child)) {
        fprintf(stderr, "uidriver: cannot start %s (error %lu)\n", cmd.c_str(), GetLastError());
        return 1;
    }
    D.tree.insert(D.child.dwProcessId);
    D.born[D.child.dwProcessId] = CreationTime(D.child.hProcess);
    D.held.push_back(D.child.hProcess);
    if (D.transcript)
        fprintf(D.transcript, "started %s (pid %lu)\n", cmd.c_str(), (unsigned long)D.child.dwProcessId);

    char line[4096];
    while (fgets(line, sizeof line, script)) {
        ++D.line;
        line[strcspn(line, "\r\n")] = '\0';
        Step(line);
    }
    fclose(script);
    if (WaitForSingleObject(D.child.hProcess, 0) == WAIT_TIMEOUT)
        Fail("the scenario ended with the program still running; on screen:\n%s",
             Screen().c_str());
    CheckBare();
    if (D.transcript)
        fprintf(D.transcript, "passed\n");
    printf("uidriver: %s passed\n", D.scenario.c_str());
    return 0;
}
