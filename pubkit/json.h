// The toolkit's reports as JSON, for scripts: `inspect --json` and
// `check --json` print what they print as text, one object each. Text the
// programs store in their ANSI code page is given byte for byte: ASCII as
// it is, every other byte as the character of the same number (\u00XX), so
// nothing is lost and the output is always valid JSON. Native only.
#ifndef TARNWICK_PUBKIT_JSON_H
#define TARNWICK_PUBKIT_JSON_H

#include <stddef.h>
#include <stdio.h>

#include "check.h"

// Writes text (n bytes) as a JSON string, quotes included.
void JsonString(FILE *out, const char *text, size_t n);
void JsonText(FILE *out, const char *text);  // NUL-terminated; null for NULL

// `check --json`: path, its findings and counts, or why it could not be
// checked (why non-NULL).
void CheckJson(FILE *out, const char *path, const char *why, const CheckCounts *counts,
               const std::vector<CheckFinding> &findings);

#endif
