// The small valid program image the toolkit's fuzzers put in front of their
// input, so that it reaches the trailers, the offsets and PACK.BOX rather
// than stopping at the program headers.
#ifndef TARNWICK_FUZZ_MINIMAL_PE_H
#define TARNWICK_FUZZ_MINIMAL_PE_H

#include <string>

// A PE32 i386 GUI image of 1024 bytes, one section from 0x200 to its end.
std::string MinimalPeImage();

#endif
