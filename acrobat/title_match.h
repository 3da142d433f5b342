// Whether a window title names the viewer. Portable: no Windows API.
#ifndef TARNWICK_ACROBAT_TITLE_MATCH_H
#define TARNWICK_ACROBAT_TITLE_MATCH_H

enum { kTitleConsidered = 256 };

// 1 when "Adobe Acrobat" or "Acrobat Reade" occurs, in any case and with all
// 13 characters inside, within the first kTitleConsidered characters.
int TitleNamesAcrobat(const char *title);

#endif
