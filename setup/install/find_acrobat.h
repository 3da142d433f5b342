// Finding the viewer that opens PDF files, and deciding whether its
// installer must run.
#ifndef TARNWICK_FIND_ACROBAT_H
#define TARNWICK_FIND_ACROBAT_H

// Looks the viewer up through the .pdf association (with a probe file in
// the current directory), records where it lives, refuses a 16-bit viewer
// (acrobatUnsupported), and runs the script's installer for a missing
// viewer, version 3 or a missing Search plug-in.
void FindAcrobat(void);

// searchFound: whether <dir>\PLUG_INS\Asrch32.api exists.
void CheckSearchPlugin(const char *dir);

#endif
