// EmbedState: the one process-wide record of embed's run. Zero at start;
// strings are ANSI, NUL-terminated, in fixed buffers whose capacity includes
// the terminator, and every copy into one is cut to its capacity (CopyText).
#ifndef TARNWICK_EMBED_STATE_H
#define TARNWICK_EMBED_STATE_H

#include <stdint.h>

#include "build_file.h"

enum {
    kEmbedPathSize = 256,
    kCommandSize = 1024,
    kAppPathSize = 160,   // what one App Paths query may return
    kCopyBufferSize = 4096,
};

enum InstallerKind {
    kDocumentInstaller,   // D other than 0: document and plug-in
    kPluginInstaller,     // D 0, P other than 0: the plug-in only
    kUpdateInstaller,     // both 0: settings only
};

struct EmbedState {
    // Command line and own file.
    char commandText[kCommandSize];   // lower-cased, quotes removed
    char ownPath[kEmbedPathSize];     // full path of the running program file
    char ownDir[kEmbedPathSize];      // ownPath before its last backslash; empty without one

    // Trailer values, from ReadTrailer; lengths follow from the offsets.
    int32_t docOffset;                // D
    char docName[kEmbedPathSize];
    int32_t plugOffset;               // P
    char plugName[kEmbedPathSize];
    int32_t docLength;                // P - D
    int32_t plugLength;               // T - P
    char closingMessage[64];          // shown when longer than five characters
    char selfDelete[8];               // "YES" asks for the relay deletion
    InstallerKind kind;
    char docPath[kEmbedPathSize];     // ownDir + "\" + docName

    // Viewer facts, from FindAcrobatPaths.
    int32_t acrobatFound;             // the Acrobat.exe value names Acrobat.exe
    int32_t readerFound;              // the AcroRd32.EXE value names AcroRd32.exe
    char acrobatTarget[kEmbedPathSize];  // plug_ins\<name> beside Acrobat
    char readerTarget[kEmbedPathSize];   // plug_ins\<name> beside Reader
    char acrobatExecutable[kAppPathSize];  // viewer OpenDocument starts; may be empty
    char pluginTarget[kEmbedPathSize];   // where InstallPlugin writes; may be empty

    // A silent delivery ("-cdrom D:\ /S [/LOG=FILE]", as setup's silent run
    // starts it): texts go to the log, nothing is asked or opened.
    int32_t silent;
    char logPath[kEmbedPathSize];     // the log, full path; empty: none
    int32_t failed;                   // the document or plug-in was not written

    // Builder.
    int32_t wantPluginInstaller;      // "-cetup", "-cutup"
    int32_t wantUpdateInstaller;      // "-sutup", "-cutup"
    char docSource[kEmbedPathSize];   // the document path from the command line
    char storedDocName[kEmbedPathSize];
    char pluginSource[kEmbedPathSize];  // ownDir + "\tarnw32.api"
    char buildFilePath[kEmbedPathSize];  // ownDir + "\tkbuild.txt"
    BuildSettings build;

    unsigned char buffer[kCopyBufferSize];  // the one buffer every copy passes through
};

extern EmbedState gEmbed;

#endif
