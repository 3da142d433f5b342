#include "payload.h"

#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>

#include "../common/text.h"
#include "file_copy.h"
#include "state.h"
#include "trailer.h"

static const char kInvalidFormat[] =
    "%s is invalid. The program has not been initialized, is corrupted, or has been "
    "improperly signed.";

// Tells the user the file carries no usable trailer: the message with the
// own path, then the raw block as far as it is text.
static int RefuseTrailer(const unsigned char *block)
{
    char raw[kEmbedTrailerSize + 1];
    CopyTextN(raw, sizeof raw, (const char *)block, kEmbedTrailerSize);
    Say("Error", MB_OK, kInvalidFormat, gEmbed.ownPath);
    MessageBoxA(NULL, raw, "", MB_OK);
    return 0;
}

int ReadTrailer()
{
    HANDLE f = OpenOwnFile();
    if (f == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(f, &size))
        size.QuadPart = 0;
    unsigned char *block = gEmbed.buffer;
    memset(block, 0, kEmbedTrailerSize);
    int64_t trailerStart = -1;
    for (int i = 0; i < kEmbedTrailerDistances && trailerStart < 0; ++i) {
        LARGE_INTEGER at;
        at.QuadPart = size.QuadPart - kEmbedTrailerDistance[i];
        if (at.QuadPart < 0 || !SetFilePointerEx(f, at, NULL, FILE_BEGIN))
            continue;
        DWORD got = 0;
        if (!ReadFile(f, block, kEmbedTrailerSize, &got, NULL) || got < kEmbedTrailerSize)
            continue;
        if (block[0] == kEmbedMarker)
            trailerStart = at.QuadPart;
    }
    CloseHandle(f);

    EmbedFields fields;
    if (trailerStart < 0 || !DecodeEmbedTrailer(block, &fields))
        return RefuseTrailer(block);
    // Offsets that point outside the cargo would copy the wrong bytes, or a
    // negative length; such a file is as unusable as one without a trailer.
    if (!EmbedOffsetsValid(&fields, trailerStart))
        return RefuseTrailer(block);

    gEmbed.docOffset = fields.docOffset;
    CopyText(gEmbed.docName, sizeof gEmbed.docName, fields.docName);
    gEmbed.plugOffset = fields.plugOffset;
    CopyText(gEmbed.plugName, sizeof gEmbed.plugName, fields.plugName);
    CopyText(gEmbed.closingMessage, sizeof gEmbed.closingMessage, fields.closingMessage);
    CopyText(gEmbed.selfDelete, sizeof gEmbed.selfDelete, fields.selfDelete);
    gEmbed.docLength = fields.plugOffset - fields.docOffset;
    gEmbed.plugLength = (int32_t)(trailerStart - fields.plugOffset);
    return 1;
}

int ExtractDocument()
{
    HANDLE from = OpenOwnFile();
    if (from == INVALID_HANDLE_VALUE)
        return 0;
    SetFilePointer(from, gEmbed.docOffset, NULL, FILE_BEGIN);
    snprintf(gEmbed.docPath, sizeof gEmbed.docPath, "%s\\%s", gEmbed.ownDir, gEmbed.docName);
    HANDLE to = CreateForWriting(gEmbed.docPath);
    if (to == INVALID_HANDLE_VALUE) {
        CloseHandle(from);
        Say("Error", MB_OK, "Cannot write: %s", gEmbed.docPath);
        return 0;
    }
    CopyResult copied = CopyRange(from, to, gEmbed.docLength);
    CloseHandle(from);
    CloseHandle(to);
    if (copied != kCopyDone) {
        Say("Error", MB_OK, "Cannot write: %s", gEmbed.docPath);
        return 0;
    }
    return 1;
}

void OpenDocument(const char *viewer)
{
    char found[MAX_PATH] = "";
    if ((INT_PTR)FindExecutableA(gEmbed.docPath, ".", found) < 32) {
        MessageBoxA(NULL, "Cannot launch Acrobat Reader", "Error", MB_OK);
        return;
    }
    // The viewer may not take a network path, or a path with a blank, on its
    // command line: such a document is opened from a copy in the
    // temporary directory.
    char toOpen[kEmbedPathSize];
    CopyText(toOpen, sizeof toOpen, gEmbed.docPath);
    if (strstr(gEmbed.docPath, "\\\\") != NULL || strchr(gEmbed.docPath, ' ') != NULL) {
        char temp[261] = "";
        GetTempPathA(sizeof temp, temp);
        snprintf(toOpen, sizeof toOpen, "%s%s", temp, gEmbed.docName);
        if (!CopyFileA(gEmbed.docPath, toOpen, FALSE))
            MessageBoxA(NULL, "can't copy PDF file", "Tarnwick", MB_OK);
    }
    // Quoted, so a temporary directory or viewer path with a blank still
    // reaches the viewer as one argument.
    char command[2 * kEmbedPathSize + 8];
    snprintf(command, sizeof command, "\"%s\" \"%s\"", viewer, toOpen);
    if (WinExec(command, SW_SHOW) < 32)
        MessageBoxA(NULL, "Cannot launch Acrobat Reader", "Error", MB_OK);
}
