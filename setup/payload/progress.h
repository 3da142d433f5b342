// The progress painters of the copy dialog (104) and the installation
// status dialog (103). They paint over the bar control's client area; the
// control itself never gets progress messages.
#ifndef TARNWICK_PROGRESS_H
#define TARNWICK_PROGRESS_H

#include <stdint.h>

// Fill the bar to position out of maximum. The maximum counts only on a
// painter's first successful call; later ones reuse that scale.
void PaintCopyBar(int32_t position, int32_t maximum);     // copy dialog, copyBarShade
void PaintExpandBar(int32_t position, int32_t maximum);   // copy dialog, expandBarShade
void PaintInstallBar(int32_t position, int32_t maximum);  // status dialog, copyBarShade

#endif
