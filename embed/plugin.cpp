#include "plugin.h"

#include <windows.h>
#include <stdio.h>
#include <string.h>

#include "acrobat/acrobat.h"
#include "common/text.h"
#include "file_copy.h"
#include "output.h"
#include "state.h"

static const char kReaderKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\AcroRd32.EXE";
static const char kAcrobatKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Acrobat.exe";

// The key's default value; empty when the key or value is missing or does
// not fit the buffer. Setup programs often store the path in quotes: they
// are removed, as the path names a folder for the plug-in too.
static void ReadAppPath(const char *key, char *out)
{
    out[0] = '\0';
    HKEY h;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, &h) != ERROR_SUCCESS)
        return;
    DWORD size = kAppPathSize;
    DWORD type = 0;
    if (RegQueryValueExA(h, NULL, NULL, &type, (BYTE *)out, &size) != ERROR_SUCCESS)
        size = 0;
    RegCloseKey(h);
    // A stored string need not carry its terminator: one that fills the
    // whole buffer without it does not fit.
    if (size > kAppPathSize || (size == kAppPathSize && memchr(out, '\0', size) == NULL))
        size = 0;
    out[size < kAppPathSize ? size : kAppPathSize - 1] = '\0';
    size_t n = strlen(out);
    if (n >= 2 && out[0] == '"' && out[n - 1] == '"') {
        memmove(out, out + 1, n - 2);
        out[n - 2] = '\0';
    }
}

// "<program's directory>\plug_ins\<plug-in name>".
static void PluginTargetOf(const char *program, char *out, size_t cap)
{
    char dir[kEmbedPathSize];
    CopyText(dir, sizeof dir, program);
    int slash = LastBackslash(dir);
    if (slash > 0)
        dir[slash] = '\0';
    snprintf(out, cap, "%s\\plug_ins\\%s", dir, gEmbed.plugName);
}

int FindAcrobatPaths()
{
    char readerPath[kAppPathSize];
    char acrobatPath[kAppPathSize];
    gEmbed.acrobatFound = 0;
    gEmbed.readerFound = 0;
    gEmbed.acrobatExecutable[0] = '\0';
    gEmbed.acrobatTarget[0] = '\0';
    gEmbed.readerTarget[0] = '\0';
    ReadAppPath(kReaderKey, readerPath);
    ReadAppPath(kAcrobatKey, acrobatPath);
    if (FindPattern(acrobatPath, "Acrobat.exe") != NULL) {
        CopyText(gEmbed.acrobatExecutable, sizeof gEmbed.acrobatExecutable, acrobatPath);
        gEmbed.acrobatFound = 1;
        PluginTargetOf(acrobatPath, gEmbed.acrobatTarget, sizeof gEmbed.acrobatTarget);
    }
    if (FindPattern(readerPath, "AcroRd32.exe") != NULL) {
        gEmbed.readerFound = 1;
        if (!gEmbed.acrobatFound)
            CopyText(gEmbed.acrobatExecutable, sizeof gEmbed.acrobatExecutable, readerPath);
        PluginTargetOf(readerPath, gEmbed.readerTarget, sizeof gEmbed.readerTarget);
    }
    const char *target = gEmbed.acrobatFound  ? gEmbed.acrobatTarget
                         : gEmbed.readerFound ? gEmbed.readerTarget
                                              : "";
    CopyText(gEmbed.pluginTarget, sizeof gEmbed.pluginTarget, target);
    return gEmbed.acrobatFound || gEmbed.readerFound;
}

int InstallPlugin()
{
    FindAcrobatWindow();
    if (acrobatRunning) {
        // No one can consent in a silent delivery: the viewer stays, and
        // the plug-in it holds is not replaced.
        if (gEmbed.silent) {
            Tell("Adobe Acrobat is active. It is not closed in a silent installation.",
                 "Tarnwick", MB_OK, IDOK);
            return 2;
        }
        if (!ConfirmCloseAcrobat())
            return 2;
        // The viewer lets go of its plug-ins only as it ends.
        Sleep(1000);
    }

    HANDLE from = OpenOwnFile();
    if (from == INVALID_HANDLE_VALUE)
        return 0;
    SetFilePointer(from, gEmbed.plugOffset, NULL, FILE_BEGIN);

    const char *target = gEmbed.pluginTarget;
    if (target[0] != '\0' && !DeleteFileA(target)) {
        DWORD attributes = GetFileAttributesA(target);
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY))
            SetFileAttributesA(target, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(target);
    }
    HANDLE to = CreateFileA(target, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            CREATE_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN, NULL);
    if (to == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        CloseHandle(from);
        char caption[32];
        snprintf(caption, sizeof caption, "Error %lx ", (unsigned long)error);
        Tell("Tarnwick was unable to copy tarnw32.api to your Acrobat plug-ins "
             "directory. You may copy this file manually from: " PLUGIN_DOWNLOAD_URL,
             caption, MB_OK, IDOK);
        Tell(target, "Path to Acrobat:", MB_OK, IDOK);
        return 0;
    }
    CopyResult copied = CopyRange(from, to, gEmbed.plugLength);
    CloseHandle(from);
    CloseHandle(to);
    if (copied != kCopyDone) {
        // A plug-in cut short by a failed read would be loaded by the viewer.
        if (copied == kCopyReadFailed)
            DeleteFileA(target);
        Say("Error", MB_OK, "Cannot write: %s", target);
        return 0;
    }
    if (gEmbed.acrobatFound && gEmbed.readerFound)
        CopyFileA(gEmbed.acrobatTarget, gEmbed.readerTarget, FALSE);
    return 1;
}
