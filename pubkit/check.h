// Checking a book before it is burnt: its sources (the folder that becomes
// PACK.BOX, with its SETUP.INI) or a finished package, for what setup and
// embed would do wrongly or refuse. Each finding is one line naming the
// file and, where there is one, its SETUP.INI line. Native only (the
// publisher's toolkit).
#ifndef TARNWICK_PUBKIT_CHECK_H
#define TARNWICK_PUBKIT_CHECK_H

#include <stddef.h>
#include <stdio.h>

#include "check_counts.h"

// What the check knows of a book, however it was read.
struct BookFacts {
    const char *scriptName;  // how findings name SETUP.INI
    const char *script;      // its bytes; NULL when PACK.BOX carries none
    size_t scriptSize;
    // The file the builder takes the trailer's keys from: the script itself
    // (keys == script), another file, or none (a finished package, whose
    // trailer has them: installDir is then its default folder).
    const char *keysName;
    const char *keys;
    size_t keysSize;
    const char *installDir;  // NULL: DEFAULTDIR= of the keys
    const char *const *members;  // the files PACK.BOX carries, '/' between parts
    size_t memberCount;
    // EMBED.EXE (as findings name it): embedProblem says why it is no embed
    // installer; else embedDocument is the document its trailer writes ("" for
    // none). Both NULL: PACK.BOX carries no EMBED.EXE.
    const char *embedName;
    const char *embedProblem;
    const char *embedDocument;
    const char *medium;  // the setup medium's folder here; NULL when unknown
    const char *packName;  // how findings name PACK.BOX's members' container
    int membersStop;       // members already found make DUNZIP32.DLL fail
};

// Writes the findings to out, one line each, and counts them.
void CheckBook(const BookFacts *book, FILE *out, CheckCounts *counts);

// `pubkit check PATH`: a folder of sources, or a finished package (whose
// folder is then the setup medium, unless medium names one). Returns NULL,
// or why PATH could not be checked at all (a medium that is no folder too).
const char *CheckPath(const char *path, const char *medium, FILE *out, CheckCounts *counts);

// pack's inputs: the three programs (each checked for what it must be), a
// folder or a PACK.BOX, the SETUP.INI the trailer's keys come from, the
// setup medium (NULL when unknown) and the output, which a scan of the
// folder leaves out as pack does.
struct PackCheckInputs {
    const char *setupImage, *meter, *dunzip;
    const char *pack;
    const char *ini;
    const char *medium;
    const char *output;
};

// The same checks on pack's inputs. Returns NULL, or why they could not
// be checked at all.
const char *CheckPackInputs(const PackCheckInputs *in, FILE *out, CheckCounts *counts);

#endif
