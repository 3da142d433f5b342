// Fuzzes the embed trailer decoder and the builder's encoder: no record may
// make them read or write outside their buffers, every decoded text stays
// within its field, and what the builder encodes decodes to the same values.
#include <stdint.h>
#include <string.h>

#include "embed/trailer.h"
#include "fuzz_code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    UseFuzzCodePage(size);
    unsigned char record[kEmbedTrailerSize] = {};
    memcpy(record, data, size < sizeof record ? size : sizeof record);
    EmbedFields f;
    if (!DecodeEmbedTrailer(record, &f))
        return 0;
    if (strlen(f.docName) > kEmbedDocNameWidth || strlen(f.plugName) > kEmbedPlugNameWidth ||
        strlen(f.closingMessage) > kEmbedMessageWidth ||
        strlen(f.selfDelete) > kEmbedSelfDeleteWidth)
        __builtin_trap();
    // Bytes past the record stand for the cargo: the trailer's start.
    int64_t trailerStart = size > sizeof record ? (int64_t)(size - sizeof record) * 4099 : 0;
    if (EmbedOffsetsValid(&f, trailerStart)) {
        if (f.plugOffset < 0 || trailerStart - f.plugOffset > INT32_MAX ||
            (f.docOffset != 0 && f.plugOffset < f.docOffset))
            __builtin_trap();
    }

    // Re-encode what was decoded, as the builder would when the offsets fit.
    char name[kEmbedDocNameMax + 1];
    StoredDocumentName(f.docName, name, sizeof name);
    if (strlen(name) > kEmbedDocNameMax)
        __builtin_trap();
    if (!EmbedOffsetsFit(f.docOffset, f.plugOffset, f.plugOffset))
        return 0;
    unsigned char out[kEmbedTrailerSize];
    EncodeEmbedTrailer(out, f.docOffset, name, f.plugOffset, f.plugName, f.closingMessage,
                       f.selfDelete);
    EmbedFields back;
    if (!DecodeEmbedTrailer(out, &back) || back.docOffset != f.docOffset ||
        back.plugOffset != f.plugOffset || strcmp(back.closingMessage, f.closingMessage) != 0 ||
        strcmp(back.selfDelete, f.selfDelete) != 0 || strcmp(back.docName, name) != 0)
        __builtin_trap();
    return 0;
}
