// How SETUP.INI (or the file the trailer's keys come from) is saved, as the
// programs' text reading takes it: UTF-16, byte-order marks, lines ending in
// CR alone, a Ctrl-Z, bytes that are no character of the book's code page,
// UTF-8 text. Native only.
#ifndef TARNWICK_PUBKIT_CHECK_ENCODING_H
#define TARNWICK_PUBKIT_CHECK_ENCODING_H

#include <stddef.h>

#include <string>

#include "check_findings.h"

// Reports what of the way size bytes of text are saved makes the programs
// read them otherwise than meant; name is how findings name the file.
void CheckEncoding(Sink *s, const std::string &name, const char *text, size_t size);

#endif
