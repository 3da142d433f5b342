// `pubkit disc`: from a book's sources to a disc image in one command. The
// book's folder (what becomes PACK.BOX) gets the EMBED.EXE made from the
// document and plug-in, when they are given; the sources are checked as
// `check` does, packed into SETUP.EXE, signed when a certificate is given,
// and mastered with the disc folder's files and an AUTORUN.INF into an ISO
// 9660 image with Joliet names. The programs come from where pubkit is
// installed. Native only (the publisher's toolkit).
#ifndef TARNWICK_PUBKIT_DISC_H
#define TARNWICK_PUBKIT_DISC_H

#include <stddef.h>
#include <stdio.h>

struct DiscRequest {
    const char *book;    // the folder that becomes PACK.BOX, with its SETUP.INI
    const char *medium;  // the disc folder: tarnwsi.ini, readme1st.txt, picture...
    const char *output;  // the image
    // EMBED.EXE, made when document or plug-in is given: its settings come
    // from buildFile (tkbuild.txt) or from message and selfDelete.
    const char *document, *plugin, *buildFile, *message, *selfDelete;
    // The programs: the folder they are in (default: where pubkit is
    // installed), each one named on its own overriding it.
    const char *programs, *setup, *meter, *dunzip, *embed;
    const char *label;  // the volume label; default from the book's titles
    const char *icon;   // the drive's icon; default the script's ICONFILE=
    const char *cert, *key, *signName;  // sign SETUP.EXE when cert is given
    const char *date;   // YYYY-MM-DD[THH:MM:SS] (UTC), every time on the image
    int force;          // pack a book the check finds errors in
    FILE *report;       // what is done, one line a step
    FILE *findings;     // the check's findings
};

// Makes the image, whole or not at all. Returns NULL, or a reason.
const char *MakeDisc(const DiscRequest *request);

// The folder the programs are installed in beside pubkit
// (PREFIX/share/tarnwick for PREFIX/bin/pubkit). Empty when unknown.
void InstalledProgramsDir(char *out, size_t cap);

// The time a --date names (UTC), or -1 when it is not one.
long long ParseDiscDate(const char *text);

#endif
