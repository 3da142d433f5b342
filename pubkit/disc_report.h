// inspect and check of a disc image: its files, AUTORUN.INF, the names a
// CD-ROM holds, and (inspect) the package inside with its plan, then what
// check finds on the package with the image as its medium. Native only (the
// publisher's toolkit).
#ifndef TARNWICK_PUBKIT_DISC_REPORT_H
#define TARNWICK_PUBKIT_DISC_REPORT_H

#include <stdio.h>

// Each returns the exit status: 1 when the image cannot be read, or
// (inspect) the package inside is damaged, or (check) anything is an error.
int InspectDiscImage(const char *path, FILE *out, int json);
int CheckDiscImage(const char *path, FILE *out, int json);

#endif
