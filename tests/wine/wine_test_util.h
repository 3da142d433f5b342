// Helpers of the in-process Wine unit tests.
#ifndef TARNWICK_WINE_TEST_UTIL_H
#define TARNWICK_WINE_TEST_UTIL_H

#include <windows.h>

#include <string>
#include <vector>

// A message box met by the watcher, with the texts it showed.
struct SeenBox {
    std::string caption;
    std::string text;
};

// Answers the message boxes this process raises from now on: the i-th box
// gets a click on answers[i] (IDOK, IDYES, ...), later ones IDOK. The boxes
// are recorded; StopBoxWatcher returns them. One watcher at a time.
void StartBoxWatcher(const std::vector<int> &answers);
std::vector<SeenBox> StopBoxWatcher();

// A fresh, empty directory under the temporary directory; returns its path
// without a trailing backslash.
std::string FreshDir(const char *name);

void WriteFileBytes(const std::string &path, const std::string &bytes);
std::string ReadFileBytes(const std::string &path);
bool FileExists(const std::string &path);

// The path of a test program or library built beside the test programs.
std::string TestProgram(const char *name);

// Bytes of a given length whose content differs by seed, so a file that
// lands in the wrong place is caught.
std::string Blob(size_t length, char seed);

// Runs the thread's message queue dry, dropping a pending quit message, so
// one test's PostQuitMessage does not leak into the next.
void DrainQueue();

#endif
