// The setup medium as setup finds things on it: files named by the script
// (matched as Windows matches names) and the background picture that
// tarnwsi.ini names, loaded as setup's reader loads it. Native only.
#ifndef TARNWICK_PUBKIT_CHECK_MEDIUM_H
#define TARNWICK_PUBKIT_CHECK_MEDIUM_H

#include <stddef.h>

#include <string>

#include "check_findings.h"

// A path on the medium (backslashes, from its root, in the book's code
// page) as a file here, its parts split at separators of their own and
// matched as Windows matches names. Empty when there is no such file.
std::string OnMedium(const std::string &medium, const std::string &path);

// The first limit bytes of a file; empty when it cannot be read.
std::string ReadSmallFile(const std::string &path, size_t limit);

// The background picture setup shows from the medium in its folder here.
void CheckMedium(Sink *s, const std::string &medium);

#endif
