#include "trailer.h"

#include <stdio.h>
#include <string.h>

#include "common/text.h"

const int kShadeStockBrush[kShadeDigits] = {4, 3, 2, 1, 5, 0};

// The field's text: at most width - 1 characters, since a writer always
// leaves room for the terminator, and a reader must not run past the field.
static void FieldText(const unsigned char *record, int offset, int width,
                      char *out, size_t cap)
{
    CopyTextN(out, cap, (const char *)record + offset, (size_t)width - 1);
}

// "%ld NAME": the number before the first space; 0 when there is no space.
static int32_t OffsetField(const unsigned char *record, int offset, int width)
{
    char text[128];
    FieldText(record, offset, width, text, sizeof text);
    if (strchr(text, ' ') == NULL)
        return 0;
    return DecimalPrefix(text, strlen(text));
}

// R1 and R2 are read at fixed positions; the separators are not checked.
// A position past the text's end reads as an empty number, 0.
static int32_t Group(const char *text, size_t pos, size_t width)
{
    size_t len = strlen(text);
    if (pos >= len)
        return 0;
    return DecimalPrefix(text + pos, width);
}

static void DecodeShade(const char *text, size_t pos, int32_t *shade)
{
    if (pos < strlen(text)) {
        int digit = text[pos] - '0';
        if (digit >= 0 && digit < kShadeDigits)
            *shade = kShadeStockBrush[digit];
    }
}

int DecodePayloadTrailer(const unsigned char *record, PayloadSettings *out)
{
    if (record[0] != kTrailerMarker)
        return 0;
    // The directory may fill bytes 1-127 of its field.
    FieldText(record, kTrailerDirOffset + 1, kTrailerDirSize,
              out->destDir, sizeof out->destDir);
    FieldText(record, kTrailerNameOffset, kTrailerNameSize,
              out->pubName, sizeof out->pubName);
    out->dunzipOffset = OffsetField(record, kTrailerDunzipOffset, kTrailerDunzipSize);
    out->packOffset = OffsetField(record, kTrailerPackOffset, kTrailerPackSize);

    char r1[kTrailerR1Size];
    char r2[kTrailerR2Size];
    FieldText(record, kTrailerR1Offset, kTrailerR1Size, r1, sizeof r1);
    FieldText(record, kTrailerR2Offset, kTrailerR2Size, r2, sizeof r2);
    for (int i = 0; i < 3; ++i) {
        out->dialogRgb[i] = Group(r1, (size_t)i * 4, 3);
        out->backdropRgb[i] = Group(r2, (size_t)i * 4, 3);
    }
    out->installMode = Group(r1, 12, 1);
    DecodeShade(r1, 14, &out->copyBarShade);
    DecodeShade(r1, 16, &out->expandBarShade);
    return 1;
}

static void PutText(unsigned char *record, int offset, int width, const char *text)
{
    CopyText((char *)record + offset, (size_t)width, text);
}

void EncodePayloadTrailer(unsigned char *record, const char *defaultDir,
                          const char *pubName, int32_t dunzipOffset,
                          int32_t packOffset, const char *r1, const char *r2)
{
    char field[kTrailerPackSize];
    memset(record, 0, kTrailerSize);
    record[kTrailerDirOffset] = kTrailerMarker;
    PutText(record, kTrailerDirOffset + 1, kTrailerDirSize - 1, defaultDir);
    PutText(record, kTrailerNameOffset, kTrailerNameSize, pubName);
    snprintf(field, sizeof field, "%ld DUNZIP32.DLL", (long)dunzipOffset);
    PutText(record, kTrailerDunzipOffset, kTrailerDunzipSize, field);
    snprintf(field, sizeof field, "%ld PACK.BOX", (long)packOffset);
    PutText(record, kTrailerPackOffset, kTrailerPackSize, field);
    PutText(record, kTrailerR1Offset, kTrailerR1Size, r1);
    PutText(record, kTrailerR2Offset, kTrailerR2Size, r2);
}

int PayloadOffsetsValid(const PayloadSettings *settings, int64_t fileSize)
{
    int64_t trailerStart = fileSize - kTrailerSize;
    return settings->dunzipOffset >= 0 &&
           settings->packOffset >= settings->dunzipOffset &&
           (int64_t)settings->packOffset <= trailerStart;
}
