// The program shell every test double shares. There is one double program
// (double.exe; the build also lays it down as recorder.exe, viewer_double.exe,
// installer_double.exe and progman_double.exe), whose file name chooses the
// role it plays (double_role.h). Its one WinMain fills the state record
// below and runs the role; the roles share one window procedure, the rule
// that ends a double (so a scenario can always clean up), the notes it
// leaves beside itself and the set-up and release of a DDE service.
// No C++ library: a copy of the double travels in the scenarios' packages as
// EMBED.EXE, and its size is copied and paced block by block.
#ifndef TARNWICK_DOUBLE_COMMON_H
#define TARNWICK_DOUBLE_COMMON_H

#include <windows.h>
#include <ddeml.h>
#include <stddef.h>

// A role's own handling of its window's messages: true when it handled msg,
// with *result the answer; anything it leaves goes to the shared procedure.
typedef bool (*DoubleMessageFn)(HWND w, UINT msg, WPARAM wp, LPARAM lp, LRESULT *result);

struct DoubleState {
    HINSTANCE instance;
    char path[MAX_PATH];    // its own file
    char dir[MAX_PATH];     // the folder it lies in: its notes go there
    const char *arguments;  // the text after the program name, exactly as passed
    HWND window;            // its one window
    DoubleMessageFn onMessage;
    // Once EndInTime has run: when the lifetime is over, and the file beside
    // it whose removal ends it too (NULL: none). A file named quit beside it
    // always ends it.
    DWORD endTick;
    const char *keptBy;
    DWORD dde;              // its DDE instance, service and topic, when it serves
    HSZ service, topic;
};
extern DoubleState gDouble;

// What each role is: how it was started, what it leaves, its window.
int RunRecorder();
int RunViewer();
int RunInstaller();
int RunProgman();

// The path of the file named file beside the double into out (cap bytes);
// false, and out empty, when it does not fit.
bool PathBeside(const char *file, char *out, size_t cap);

// True when the file or folder at path exists.
bool Exists(const char *path);

// Appends head, size bytes of data and a line feed to the file at path.
void AppendLineTo(const char *path, const char *head, const void *data, size_t size);

// Appends the line head + text to / makes text the one line of the file
// named file beside the double.
void AppendNote(const char *file, const char *head, const char *text);
void WriteNote(const char *file, const char *text);

// Its window: class className (registered with the shared procedure),
// title, place and size, background brush (a stock object), parent (NULL,
// or HWND_MESSAGE for a window no one sees). Kept in gDouble.window; the
// caller shows it.
HWND OpenWindow(const char *className, const char *title, int x, int y, int width, int height,
                int brush, HWND parent);

// The window goes, and the double ends, after ms milliseconds, when a file
// named quit appears beside it, or (keptBy not NULL) when the file keptBy
// beside it is removed; looked at every 100 ms.
void EndInTime(DWORD ms, const char *keptBy);

// Serves DDE service name, topic topicName through callback; false when the
// instance could not be made (the double then serves nothing).
bool ServeDde(const char *name, const char *topicName, PFNCALLBACK callback);

// Dispatches messages until the quit message; then withdraws and releases
// the DDE service, if one was served.
void RunUntilQuit();

#endif
