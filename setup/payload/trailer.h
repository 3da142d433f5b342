// The payload trailer: the 512-byte settings record at the end of a packaged
// setup file. This header is the one definition of its layout; the reader
// (ReadPayloadDirectory) and the builder (BuildPackage) both go through it.
// Portable: no Windows API.
//
// A packaged setup file, each part starting where the previous one ends:
//
//   0             +---------------------------+
//                 | program image (setup.exe) |
//                 +---------------------------+
//                 | METER.DLL                 |
//   dunzipOffset  +---------------------------+
//                 | DUNZIP32.DLL              |
//   packOffset    +---------------------------+
//                 | PACK.BOX (a zip archive)  |
//   end - 512     +---------------------------+
//                 | trailer (512 bytes)       |
//   end           +---------------------------+
//                 | certificate table         |  only in a signed file, whose
//                 +---------------------------+  "end" is where the table
//                                                begins, less the zero bytes
//                                                a signing tool pads with
// The trailer: text fields, each NUL-terminated within its width, unused
// bytes 0.
//
//     0 +-----+--------------------------------------+
//       | '@' | DEFAULTDIR                           |
//   128 +-----+--------------------------------------+
//       | PUBNAME                                    |
//   256 +--------------------------------------------+
//       | "%ld DUNZIP32.DLL": dunzipOffset           |
//   320 +--------------------------------------------+
//       | "%ld PACK.BOX": packOffset                 |
//   416 +--------------------------------------------+
//       | R1 "rrr,ggg,bbb,m,c,e": dialog colour,     |
//       | install mode, the two bars' shades         |
//   464 +--------------------------------------------+
//       | R2 "rrr,ggg,bbb": the backdrop's colour    |
//   512 +--------------------------------------------+
#ifndef TARNWICK_PAYLOAD_TRAILER_H
#define TARNWICK_PAYLOAD_TRAILER_H

#include <stddef.h>
#include <stdint.h>

enum {
    kTrailerSize = 512,
    kTrailerMarker = '@',

    // Field offsets and widths. Text fields are NUL-terminated within their
    // width; unused bytes are 0.
    kTrailerDirOffset = 0,      // "@" + DEFAULTDIR
    kTrailerDirSize = 128,
    kTrailerNameOffset = 128,   // PUBNAME
    kTrailerNameSize = 128,
    kTrailerDunzipOffset = 256, // "%ld DUNZIP32.DLL"
    kTrailerDunzipSize = 64,
    kTrailerPackOffset = 320,   // "%ld PACK.BOX"
    kTrailerPackSize = 96,
    kTrailerR1Offset = 416,     // "rrr,ggg,bbb,m,c,e"
    kTrailerR1Size = 48,
    kTrailerR2Offset = 464,     // "rrr,ggg,bbb"
    kTrailerR2Size = 48,
};

// Stock-brush numbers of the shade digits 0-5 (black, dark grey, grey,
// light grey, hollow, white).
enum { kShadeDigits = 6 };
extern const int kShadeStockBrush[kShadeDigits];

// Settings decoded from a trailer. Strings are NUL-terminated.
struct PayloadSettings {
    char destDir[128];      // default destination, without the marker
    char pubName[128];      // publication name
    int32_t dunzipOffset;   // 0 when its field has no space
    int32_t packOffset;
    int32_t dialogRgb[3];
    int32_t backdropRgb[3];
    int32_t installMode;
    int32_t copyBarShade;   // stock-brush numbers; a digit outside 0-5
    int32_t expandBarShade; // leaves the value the caller put in
};

// Decodes a 512-byte record. Returns 0 (and leaves *out alone) when the
// record does not start with the marker. The caller pre-sets the two shade
// fields: a shade digit outside 0-5 keeps them.
int DecodePayloadTrailer(const unsigned char *record, PayloadSettings *out);

// Encodes a record from the builder's key values, each cut to its field.
void EncodePayloadTrailer(unsigned char *record, const char *defaultDir,
                          const char *pubName, int32_t dunzipOffset,
                          int32_t packOffset, const char *r1, const char *r2);

// A packaged file of fileSize bytes describes its payload sensibly when
// 0 <= dunzipOffset <= packOffset <= fileSize - 512. Anything else would
// make the extraction copy garbage or a negative length.
int PayloadOffsetsValid(const PayloadSettings *settings, int64_t fileSize);

#endif
