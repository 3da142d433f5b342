#include "alert_text.h"

#include <stdio.h>

#include "common/text.h"

enum AlertArg { kNoArg, kDestDir, kOwnPath };

static const struct {
    int code;
    const char *format;
    AlertArg arg;
} kAlerts[] = {
    {kAlertCannotCd, "Cannot CD to: %s.", kDestDir},
    {kAlertCannotLoadMeter, "Cannot load %s\\METER.DLL.", kDestDir},
    {kAlertConfirmCancel, "Are you sure you want to cancel?", kNoArg},
    {kAlertCannotReadSelf, "Cannot read: %s.", kOwnPath},
    {kAlertNotInitialised,
     "File: %s first must be initialized using Tarnwick PDF Publisher.", kOwnPath},
    {kAlertCannotWrite, "Cannot write into directory: %s.", kDestDir},
    {kAlertCannotLoadDunzip, "Cannot load: %s\\DUNZIP32.DLL.", kDestDir},
    {kAlertDunzipCorrupted, "File: %s\\DUNZIP32.DLL is corrupted.", kDestDir},
    {kAlertDecompressError,
     "Decompress error due to program currently running, no write permission, or disk full",
     kNoArg},
    {kAlertCannotExecute, "Cannot execute: %s\\DELIVER.EXE", kDestDir},
    {kAlertCannotLoadVer, "Cannot load VER.DLL", kNoArg},
    {kAlertInternalError, "Internal Error", kNoArg},
    {kAlertNoProfileIni, "Cannot find PROFILE.INI and REACH.INI files in: %s", kDestDir},
};

void FormatAlertText(int code, const char *destDir, const char *ownPath,
                     char *out, size_t cap)
{
    char text[kAlertTextSize];
    CopyText(text, sizeof text, "Unknown error occurred.");
    for (size_t i = 0; i < sizeof kAlerts / sizeof kAlerts[0]; ++i) {
        if (kAlerts[i].code != code)
            continue;
        const char *arg = kAlerts[i].arg == kDestDir   ? destDir
                          : kAlerts[i].arg == kOwnPath ? ownPath
                                                       : "";
        snprintf(text, sizeof text, kAlerts[i].format, arg);
        break;
    }
    CopyText(out, cap, text);
}
