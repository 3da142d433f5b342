// What the stand-ins for outside programs share: their arguments, their log
// lines, and the rule that ends them, so a scenario can always clean up.
#ifndef TARNWICK_DOUBLE_COMMON_H
#define TARNWICK_DOUBLE_COMMON_H

#include <windows.h>
#include <ddeml.h>

#include <string>

// The text after the program name, exactly as the system passed it.
std::string CommandArguments();

// Appends bytes and a line feed to the file at path.
void AppendLineTo(const std::string &path, const std::string &bytes);

// Gives window w a lifetime of ms milliseconds from now.
void SetLifetime(HWND w, DWORD ms);

// True when a file named quit has appeared in dir or w's lifetime is over.
bool TimeToEnd(HWND w, const std::string &dir);

// Dispatches messages until the quit message; then, when dde is not 0,
// withdraws service and frees its handles and the instance.
void RunUntilQuit(DWORD dde, HSZ service, HSZ topic);

#endif
