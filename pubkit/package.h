// Building a packaged SETUP.EXE and embed installers natively, byte for
// byte as the programs' own builders make them from the same inputs.
#ifndef TARNWICK_PUBKIT_PACKAGE_H
#define TARNWICK_PUBKIT_PACKAGE_H

#include <stdint.h>
#include <stdio.h>

struct PackInputs {
    const char *setupImage;  // the bare setup program
    const char *meter;       // METER.DLL
    const char *dunzip;      // DUNZIP32.DLL
    const char *pack;        // PACK.BOX, or a folder to make it from
    const char *ini;         // SETUP.INI, the trailer's keys
    const char *output;
    int workers;             // threads deflating a folder; 0 for one per core
};

// What a packing wrote.
struct PackWritten {
    uint64_t size;
    char sha256[65];
    int leftOut;  // files of the --pack folder left out as the command's own output
};

// Writes the package. An output that is one of the inputs is refused
// before anything is written; on any failure the output is as it was.
// Returns NULL, or a one-line reason. written may be NULL.
const char *PackSetup(const PackInputs *in, PackWritten *written = NULL);

struct ZipWriteStats;

// `pubkit zip`: the folder's archive into output, whole or not at all.
// leftOut counts the folder's files left out as the command's own output.
const char *ZipFolder(const char *folder, const char *output, ZipWriteStats *stats, int *leftOut);

struct EmbedInputs {
    const char *image;      // the bare embed program
    const char *buildFile;  // tkbuild.txt
    const char *plugin;     // tarnw32.api; NULL when no output carries it
    const char *document;   // the document, as the builder's argument names
                            // it; NULL when PATH1= asks for no document installer
    int pluginInstaller;    // -cetup / -cutup
    int updateInstaller;    // -sutup / -cutup
    const char *outDir;     // the outputs go here, under the PATHn file names
    FILE *log;              // each output made is named here; NULL: silent
    FILE *warnings;         // each value the builder cuts is named here; NULL: silent
};

// Writes the installers tkbuild.txt asks for, in the builder's order
// (PATH1, PATH3, PATH2): all of them, or (on any failure, or an output that
// is one of the inputs) none. Returns NULL, or a reason.
const char *BuildEmbedInstallers(const EmbedInputs *in);

// The document name the builder stores for a document at docPath (a path
// on this machine): the builder sees its command line lower-cased, so the
// file name (in the book's code page) lower-cased, its last three
// characters made "pdf". Cut to cap. Returns NULL, or why the name cannot be
// written in the book's code page (out is then empty).
const char *BuilderStoredName(const char *docPath, char *out, size_t cap);

#endif
