// The findings of a check, gathered while it reads a book and written out
// together: each file's findings in the order the files came up, by line.
// Every part of the check (the script, its encoding, the setup medium, the
// book's rules, the sources and packages) reports through one sink, so one
// run prints them in one order and counts them once. Native only.
#ifndef TARNWICK_PUBKIT_CHECK_FINDINGS_H
#define TARNWICK_PUBKIT_CHECK_FINDINGS_H

#include <stdio.h>

#include <string>
#include <vector>

#include "check_counts.h"

struct Sink {
    FILE *out;
    CheckCounts *counts;
    std::vector<CheckFinding> findings;
};

// A finding whose text is made already.
void Add(Sink *s, int error, const std::string &file, int line, const std::string &text);

// A finding in the book's own text: its values, names and keys are bytes of
// the book's code page, shown in UTF-8 when one was named. Text of this
// system (a path here) goes in through BookTextOf.
void Say(Sink *s, int error, const std::string &file, int line, const char *fmt, ...)
    __attribute__((format(printf, 5, 6)));

// Each file's findings together, in the order the files came up, by line,
// those about the file as a whole last; printed to out, or added to the
// counts' collect when that is set.
void Flush(Sink *s);

#endif
