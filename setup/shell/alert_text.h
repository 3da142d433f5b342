// Texts of setup's numbered alerts. Portable: no Windows API.
#ifndef TARNWICK_ALERT_TEXT_H
#define TARNWICK_ALERT_TEXT_H

#include <stddef.h>

enum {
    kAlertCannotCd = 1000,
    kAlertCannotLoadMeter = 1001,
    kAlertConfirmCancel = 1002,
    kAlertCannotReadSelf = 1003,
    kAlertNotInitialised = 1004,
    kAlertCannotWrite = 1005,
    kAlertCannotLoadDunzip = 1006,
    kAlertDunzipCorrupted = 1007,
    kAlertDecompressError = 1008,
    kAlertCannotExecute = 1009,
    kAlertCannotLoadVer = 1010,
    kAlertInternalError = 1011,
    kAlertNoProfileIni = 1012,
};

enum { kAlertTextSize = 256 };  // 255 characters and the terminator

// Forms the text of an alert code into out (cut to cap), filling in the
// destination or the own path where the code's text names one.
void FormatAlertText(int code, const char *destDir, const char *ownPath,
                     char *out, size_t cap);

#endif
