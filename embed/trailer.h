// The embed trailer: the 512-byte fixed-width text record at the end of an
// embed installer. This header is the one definition of its layout; the
// delivery run's reader (ReadTrailer) and the builder (BuildInstallers) both
// go through it. Portable: no Windows API.
//
// An installer file, each part starting where the previous one ends:
//
//   0   +---------------------------+
//       | program image (embed.exe) |
//   D   +---------------------------+
//       | document                  |  absent when D is 0
//   P   +---------------------------+
//       | plug-in                   |  absent when P is 0
//   T   +---------------------------+
//       | trailer (512 bytes)       |
//       +---------------------------+
//       | signature                 |  only when signed after building: the
//       +---------------------------+  trailer is looked for at the distances
//                                      below from the file's or data's end
// The trailer: fixed-width text fields; a text shorter than its field is
// followed by zero bytes, one that fills it has no terminator.
//
//     0 +-----+-------+-------------------------------------+
//       | '@' | D (9) | document name (118)                 |
//   128 +-----+-------+--+----------------------------------+
//       | P (10)         | plug-in name (16)                |
//   154 +----------------+----------------------------------+
//       | unused (122)                                      |
//   276 +---------------------------------------------------+
//       | closing message (50)                              |
//   326 +---------------------------------------------------+
//       | unused (5)                                        |
//   331 +------------------------+--------------------------+
//       | "YES"/"NO" (3)         | unused (178)             |
//   512 +------------------------+--------------------------+
#ifndef TARNWICK_EMBED_TRAILER_H
#define TARNWICK_EMBED_TRAILER_H

#include <stddef.h>
#include <stdint.h>

enum {
    kEmbedTrailerSize = 512,
    kEmbedMarker = '@',

    // Field offsets and widths. A text shorter than its field is followed by
    // zero bytes; one that fills it has no terminator.
    kEmbedDocOffsetAt = 1,      // D in decimal, right after the marker
    kEmbedDocOffsetWidth = 9,
    kEmbedDocOffsetMax = 999999999,
    kEmbedDocNameAt = 10,
    kEmbedDocNameWidth = 118,
    kEmbedDocNameMax = 117,     // longest name the builder stores
    kEmbedPlugOffsetAt = 128,   // P in decimal
    kEmbedPlugOffsetWidth = 10,
    kEmbedPlugNameAt = 138,
    kEmbedPlugNameWidth = 16,
    kEmbedPlugNameMax = 14,
    kEmbedMessageAt = 276,      // closing message
    kEmbedMessageWidth = 50,
    kEmbedSelfDeleteAt = 331,   // "YES" or "NO"
    kEmbedSelfDeleteWidth = 3,
};

// Distances from the end of the file at which a trailer may start: at the
// very end, or before one of the blocks a signing tool appends.
enum { kEmbedTrailerDistances = 5 };
extern const int32_t kEmbedTrailerDistance[kEmbedTrailerDistances];

// Fields decoded from a trailer; strings are NUL-terminated.
struct EmbedFields {
    int32_t docOffset;                       // D
    char docName[256];
    int32_t plugOffset;                      // P
    char plugName[256];
    char closingMessage[kEmbedMessageWidth + 1];
    char selfDelete[kEmbedSelfDeleteWidth + 1];
};

// Decodes a record. Returns 0 (and leaves *out alone) when it does not
// start with the marker.
int DecodeEmbedTrailer(const unsigned char *record, EmbedFields *out);

// Encodes a record; every value is cut to its field.
void EncodeEmbedTrailer(unsigned char *record, int32_t docOffset, const char *docName,
                        int32_t plugOffset, const char *plugName,
                        const char *closingMessage, const char *selfDelete);

// The offsets describe a file whose trailer starts at trailerStart: none is
// negative or past the trailer, and a document (D other than 0) ends where
// the plug-in starts, so P is not before D. Anything else would copy bytes
// of the wrong range or a negative length.
int EmbedOffsetsValid(const EmbedFields *fields, int64_t trailerStart);

// The builder's offsets fit the record and the reader: D (at most nine
// digits), P (ten digits, and the reader's 32 bits) and the trailer's start
// T, from which the reader takes the plug-in length T - P in 32 bits.
int EmbedOffsetsFit(int64_t docOffset, int64_t plugOffset, int64_t trailerStart);

// The builder's stored document name: the final component of docPath (after
// its last backslash, searched down to the second character) with its last
// three characters replaced by "pdf"; a component shorter than three
// characters is followed by "pdf". Cut to cap and to kEmbedDocNameMax.
void StoredDocumentName(const char *docPath, char *out, size_t cap);

#endif
