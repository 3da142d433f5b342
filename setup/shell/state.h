// SetupState: the one process-wide record of setup's state. Zero at start
// unless a value is given; strings are ANSI, NUL-terminated, in fixed
// buffers whose capacity includes the terminator, and every copy into one
// is cut to its capacity (CopyText).
#ifndef TARNWICK_SETUP_STATE_H
#define TARNWICK_SETUP_STATE_H

#include <windows.h>

#include "dunzip/unzip_params.h"
#include "setup/install/script_values.h"

enum {
    kPathSize = 256,
    kDestDirSize = 128,
    kSourceDriveSize = 16,
    kPubNameSize = 128,
    kTextBufSize = 24348,
    kWorkBufSize = 4096,
};

struct SetupState {
    // Process and windows.
    HINSTANCE hInstance;  // stored first thing at entry
    HWND hMainWnd;        // the QUICKINST main window; owner of every dialog
    HWND hDestDlg;        // destination dialog (101); focus target of the main window
    HWND hTextDlg;        // readme / licence dialog (107)
    HWND hCopyDlg;        // copy and uncompress progress dialog (104)
    HWND hStatusDlg;      // installation status dialog (103), made by the
                          // installation sequence
    HWND hFinishDlg;      // completion dialog (105), made by the same
    HDC hWndDC;           // main window DC, taken at creation
    HDC hBitmapDC;        // second main window DC, kept for the bitmap painter
    int32_t cancelled;    // 1 after a fatal alert or a confirmed cancel; every
                          // loop but the installation sequence's stops on it
    int32_t accepted;     // 1 when the readme / licence step lets the install go on
    int32_t textAnswered; // 1 once a button of the text dialog shown now was
                          // answered (Continue / Accept, or a confirmed cancel)

    // Paths.
    char ownPath[kPathSize];       // full path of the own executable
    char programDir[kPathSize];    // ownPath before its last backslash
    char destDir[kDestDirSize];    // trailer default, then the typed directory upper-cased
    char destDirTyped[kDestDirSize];  // the directory exactly as typed
    char sourceDrive[kSourceDriveSize];  // drive letter of ownPath, ":\" added
                                         // when the CD-ROM check ran
    char iniPath[kPathSize];       // programDir + "\tarnwsi.ini"
    char bmpFile[kPathSize];       // background bitmap
    char bmpFile2[kPathSize];      // second bitmap
    int32_t bmpX, bmpY;            // bitmap position values
    char textBuf[kTextBufSize];    // readme or licence being shown
    int32_t textLen;               // its length up to the first NUL
    unsigned char workBuf[kWorkBufSize];  // buffer of every binary copy; the
                                          // trailer is read into its first 512 bytes

    // Payload settings, decoded from the trailer at start.
    char pubName[kPubNameSize];    // publication name; the main window's title
    int32_t dunzipOffset;          // file offset of DUNZIP32.DLL in ownPath
    int32_t packOffset;            // file offset of PACK.BOX in ownPath
    int64_t payloadEnd;            // where the trailer ends in ownPath: its size, or
                                   // for a signed file where the signature begins
    int32_t dialogRgb[3];          // dialog colour; low 8 bits of each used
    int32_t backdropRgb[3];        // main window backdrop colour, same rule
    int32_t installMode;           // 2: must be launched from a CD-ROM
    int32_t copyBarShade;          // stock-brush number of the copy bar
    int32_t expandBarShade;        // stock-brush number of the expansion bar
    int32_t stepDelay;             // step delay in seconds; constant 1

    // Expansion.
    HMODULE hUnzipLib;             // DUNZIP32.DLL while loaded, else 0
    UnzipParams unzipParams;       // the record handed to "dunzip"
    int32_t unzipCalls;            // callback calls so far; never reset
    int32_t unzipInCall;           // 1 while "dunzip" runs: the library must
                                   // not be released under its own feet

    // Progress bar shared by the three painters: whichever painter set it
    // up last decides the bar window, scale and brush all of them draw with.
    HWND barWnd;                   // control 1002 of a progress dialog
    RECT barRect;                  // its client rectangle; right is the fill's end
    double barScale;               // pixels per unit of position
    HBRUSH barBrush;               // a stock brush: never released
    int32_t copyBarReady;          // first-call flags of PaintCopyBar,
    int32_t expandBarReady;        // PaintExpandBar
    int32_t installBarReady;       // and PaintInstallBar

    // Installation sequence.
    ScriptValues script;           // SETUP.INI's settings
    int32_t acrobatInstallFailed;  // the viewer's installer could not be started
    int32_t embedFailed;           // EMBED.EXE could not be started
    int32_t acrobatUnsupported;    // only a 16-bit viewer: the installation stops

    // The viewer, as the last successful lookup found it.
    char acrobatExePath[kPathSize];    // program registered for PDF files
    char acrobatDir[kPathSize];        // its directory; plug-ins go to PLUG_INS
    char acrobatExeName[64];           // its file name
    char acrobatShownPath[kPathSize];  // the path as the status line shows it
    int32_t searchRequired;        // the script's installer is Reader with Search
    int32_t searchFound;           // the last Search plug-in check found it

    char MainTarget[kPathSize];    // the main item's target, for the auto launch
    char groupName[kPathSize];     // the Start-menu group: Foldertitle= unquoted
    char mainTitle[kPathSize];     // the main item's name: IconTitle= unquoted
    // Unattended run (SETUP.EXE /S, UNINSTAL.EXE /S).
    int32_t silent;                // nothing is shown: texts go to logPath
    char logPath[kPathSize];       // full path of the log; empty: none
    int32_t destGiven;             // /D= named the destination
    int32_t destWhole;             // and it fitted
    char silentDest[kPathSize];    // /D='s value
    int32_t timedOut;              // a bounded wait of the silent run ran out
    int32_t stepFailed;            // a step the script asked for was not done
    char failure[kPathSize];       // what the first such step was, for the log
    char finalText[32];            // the result the completion dialog shows

    int32_t groupShown;            // 1 once ShowGroup made the package's group
                                   // Program Manager's active one: AddItem
                                   // commands land there
};

extern SetupState gState;

// An RGB value from three ints, of which only the low 8 bits count.
COLORREF ColourOf(const int32_t rgb[3]);

#endif
