// Fuzzes the embed trailer decoder, the tkbuild.txt reader and the command
// line dispatch with arbitrary bytes: none may read or write outside its
// buffers, and what the builder encodes must decode to the same offsets.
#include <stdio.h>
#include <string.h>

#include "acrobat/title_match.h"
#include "embed/build_file.h"
#include "embed/command.h"
#include "embed/trailer.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    unsigned char record[kEmbedTrailerSize] = {};
    memcpy(record, data, size < sizeof record ? size : sizeof record);
    EmbedFields f;
    if (DecodeEmbedTrailer(record, &f)) {
        if (strlen(f.docName) > kEmbedDocNameWidth || strlen(f.plugName) > kEmbedPlugNameWidth)
            __builtin_trap();
        EmbedOffsetsValid(&f, (int64_t)size);
    }

    char text[600];
    size_t n = size < sizeof text - 1 ? size : sizeof text - 1;
    memcpy(text, data, n);
    text[n] = '\0';
    TitleNamesAcrobat(text);
    char name[kEmbedDocNameMax + 1];
    StoredDocumentName(text, name, sizeof name);
    StripCommandQuotes(text);
    const char *argument = nullptr;
    ChooseRole(text, &argument);
    if (argument < text || argument > text + strlen(text))
        __builtin_trap();

    FILE *file = fmemopen((void *)data, size, "r");
    if (file != NULL) {
        BuildSettings s = {};
        ReadBuildLines(file, &s);
        fclose(file);
        int32_t d = (int32_t)(size * 3), p = (int32_t)(size * 5);
        EncodeEmbedTrailer(record, d, name, p, s.path1, s.message, s.selfDelete);
        EmbedFields back;
        if (!DecodeEmbedTrailer(record, &back) || back.plugOffset != p ||
            (d < 1000000000 && back.docOffset != d))
            __builtin_trap();
    }
    return 0;
}
