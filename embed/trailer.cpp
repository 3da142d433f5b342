#include "trailer.h"

#include <stdio.h>
#include <string.h>

#include "common/text.h"

const int32_t kEmbedTrailerDistance[kEmbedTrailerDistances] = {512, 2680, 2681, 2688, 2758};

static void FieldText(const unsigned char *record, int at, int width, char *out, size_t cap)
{
    CopyTextN(out, cap, (const char *)record + at, (size_t)width);
}

static int32_t FieldNumber(const unsigned char *record, int at, int width)
{
    char text[16];
    FieldText(record, at, width, text, sizeof text);
    return DecimalPrefix(text, strlen(text));
}

int DecodeEmbedTrailer(const unsigned char *record, EmbedFields *out)
{
    if (record[0] != kEmbedMarker)
        return 0;
    out->docOffset = FieldNumber(record, kEmbedDocOffsetAt, kEmbedDocOffsetWidth);
    FieldText(record, kEmbedDocNameAt, kEmbedDocNameWidth, out->docName, sizeof out->docName);
    out->plugOffset = FieldNumber(record, kEmbedPlugOffsetAt, kEmbedPlugOffsetWidth);
    FieldText(record, kEmbedPlugNameAt, kEmbedPlugNameWidth, out->plugName, sizeof out->plugName);
    FieldText(record, kEmbedMessageAt, kEmbedMessageWidth, out->closingMessage,
              sizeof out->closingMessage);
    FieldText(record, kEmbedSelfDeleteAt, kEmbedSelfDeleteWidth, out->selfDelete,
              sizeof out->selfDelete);
    return 1;
}

// Writes at most width characters of text, without a terminator when it
// fills the field: the record was zeroed first.
static void PutField(unsigned char *record, int at, int width, const char *text)
{
    size_t n = strlen(text);
    if (n > (size_t)width)
        n = (size_t)width;
    memcpy(record + at, text, n);
}

void EncodeEmbedTrailer(unsigned char *record, int32_t docOffset, const char *docName,
                        int32_t plugOffset, const char *plugName,
                        const char *closingMessage, const char *selfDelete)
{
    char number[16];
    memset(record, 0, kEmbedTrailerSize);
    record[0] = kEmbedMarker;
    snprintf(number, sizeof number, "%ld", (long)docOffset);
    PutField(record, kEmbedDocOffsetAt, kEmbedDocOffsetWidth, number);
    PutField(record, kEmbedDocNameAt, kEmbedDocNameMax, docName);
    snprintf(number, sizeof number, "%ld", (long)plugOffset);
    PutField(record, kEmbedPlugOffsetAt, kEmbedPlugOffsetWidth, number);
    PutField(record, kEmbedPlugNameAt, kEmbedPlugNameMax, plugName);
    PutField(record, kEmbedMessageAt, kEmbedMessageWidth, closingMessage);
    PutField(record, kEmbedSelfDeleteAt, kEmbedSelfDeleteWidth, selfDelete);
}

int EmbedOffsetsValid(const EmbedFields *fields, int64_t trailerStart)
{
    int64_t d = fields->docOffset, p = fields->plugOffset;
    if (d < 0 || p < 0 || d > trailerStart || p > trailerStart)
        return 0;
    if (trailerStart - p > INT32_MAX)  // the plug-in length is kept in 32 bits
        return 0;
    return d == 0 || p >= d;
}

int EmbedOffsetsFit(int64_t docOffset, int64_t plugOffset, int64_t trailerStart)
{
    return docOffset >= 0 && docOffset <= kEmbedDocOffsetMax && plugOffset >= 0 &&
           plugOffset <= INT32_MAX && trailerStart >= plugOffset && trailerStart <= INT32_MAX;
}

void StoredDocumentName(const char *docPath, char *out, size_t cap)
{
    int slash = LastBackslash(docPath);
    const char *name = slash > 0 ? docPath + slash + 1 : docPath;
    char buf[kEmbedDocNameMax + 1];
    size_t n = strlen(name);
    size_t keep = n >= 3 ? n - 3 : n;
    if (keep > kEmbedDocNameMax - 3)
        keep = kEmbedDocNameMax - 3;
    CopyTextN(buf, sizeof buf, name, keep);
    AppendText(buf, sizeof buf, "pdf");
    CopyText(out, cap, buf);
}
