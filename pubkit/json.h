// The toolkit's reports as JSON, for scripts: `inspect --json` and
// `check --json` print what they print as text, one object each. Text the
// programs store in their ANSI code page is given as the characters it
// holds in the book's code page when one was named (book_codepage.h);
// without, byte for byte: ASCII as it is, every other byte as the
// character of the same number (\u00XX), so nothing is lost. Paths and
// texts of this system are UTF-8. The output is always valid JSON. Native
// only.
#ifndef TARNWICK_PUBKIT_JSON_H
#define TARNWICK_PUBKIT_JSON_H

#include <stddef.h>
#include <stdio.h>

#include "check.h"

// Writes book text (n bytes) as a JSON string, quotes included.
void JsonString(FILE *out, const char *text, size_t n);
void JsonText(FILE *out, const char *text);  // NUL-terminated; null for NULL

// Writes text of this system (a path, a finding): UTF-8 as its characters,
// any other byte as \u00XX.
void JsonNative(FILE *out, const char *text);  // null for NULL

// `check --json`: path, its findings and counts, or why it could not be
// checked (why non-NULL).
void CheckJson(FILE *out, const char *path, const char *why, const CheckCounts *counts,
               const std::vector<CheckFinding> &findings);

#endif
