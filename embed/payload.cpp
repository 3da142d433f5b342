#include "payload.h"

#include <windows.h>
#include <shellapi.h>
#include <stdio.h>
#include <string.h>

#include "common/pe_image.h"
#include "common/text.h"
#include "file_copy.h"
#include "output.h"
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
    Tell(raw, "", MB_OK, IDOK);
    return 0;
}

static int32_t ReadOwn(void *ctx, int64_t offset, void *buf, uint32_t n)
{
    LARGE_INTEGER at;
    at.QuadPart = offset;
    DWORD got = 0;
    if (offset < 0 || !SetFilePointerEx((HANDLE)ctx, at, NULL, FILE_BEGIN) ||
        !ReadFile((HANDLE)ctx, buf, n, &got, NULL))
        return -1;
    return (int32_t)got;
}

int ReadTrailer()
{
    HANDLE f = OpenOwnFile();
    if (f == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(f, &size))
        size.QuadPart = 0;
    // The distances count from the end of the data: for a signed installer
    // that is where its signature begins, less the zero bytes a signing
    // tool may have padded with; each distance is tried at each such end.
    int64_t ends[kPeMaxDataEnds];
    int endCount = PeDataEnds(ReadOwn, f, size.QuadPart, ends);
    // The bare program ends in its own sections, whose bytes may happen to
    // start with the marker: a trailer lies behind the program image.
    static_assert(sizeof gEmbed.buffer >= kPeHeadBytes, "the headers fit the buffer");
    int64_t imageEnd = 0;
    PeFacts facts;
    int32_t head = ReadOwn(f, 0, gEmbed.buffer, kPeHeadBytes);
    if (head > 0 && ReadPeFacts(gEmbed.buffer, (size_t)head, size.QuadPart, &facts) == NULL)
        imageEnd = facts.imageEnd;
    unsigned char *block = gEmbed.buffer;
    memset(block, 0, kEmbedTrailerSize);
    int64_t trailerStart = -1;
    for (int n = 0; n < kEmbedTrailerDistances * endCount && trailerStart < 0; ++n) {
        int64_t at = ends[n % endCount] - kEmbedTrailerDistance[n / endCount];
        if (at < imageEnd || ReadOwn(f, at, block, kEmbedTrailerSize) != kEmbedTrailerSize)
            continue;
        if (block[0] == kEmbedMarker)
            trailerStart = at;
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
    // A document path that does not fit would write (and first delete) a
    // file of another name.
    char full[2 * kEmbedPathSize];
    snprintf(full, sizeof full, "%s\\%s", gEmbed.ownDir, gEmbed.docName);
    if (CopyText(gEmbed.docPath, sizeof gEmbed.docPath, full) < strlen(full)) {
        Say("Error", MB_OK, "Cannot write: %s", full);
        return 0;
    }
    HANDLE from = OpenOwnFile();
    if (from == INVALID_HANDLE_VALUE)
        return 0;
    SetFilePointer(from, gEmbed.docOffset, NULL, FILE_BEGIN);
    HANDLE to = CreateForWriting(gEmbed.docPath);
    if (to == INVALID_HANDLE_VALUE) {
        CloseHandle(from);
        Say("Error", MB_OK, "Cannot write: %s", gEmbed.docPath);
        return 0;
    }
    CopyResult copied = CopyRange(from, to, gEmbed.docLength);
    CloseHandle(from);
    CloseHandle(to);
    if (copied == kCopyDone)
        return 1;
    // A document cut short by a failed read looks whole to the user: it goes.
    if (copied == kCopyReadFailed)
        DeleteFileA(gEmbed.docPath);
    Say("Error", MB_OK, "Cannot write: %s", gEmbed.docPath);
    return 0;
}

// The path the viewer gets: the document, or its copy in the temporary
// directory when the document's path has a blank or is a network path.
static void PathToOpen(char *out, size_t cap)
{
    CopyText(out, cap, gEmbed.docPath);
    if (FindPattern(gEmbed.docPath, "\\\\") == NULL && strchr(gEmbed.docPath, ' ') == NULL)
        return;
    char temp[261] = "";
    DWORD n = GetTempPathA(sizeof temp, temp);
    char copy[2 * kEmbedPathSize];
    snprintf(copy, sizeof copy, "%s%s", temp, gEmbed.docName);
    // A copy path that does not fit would overwrite a file of another
    // name: no copy then, and the document is opened where it is (the
    // command line quotes it).
    if (n == 0 || n >= sizeof temp || strlen(copy) >= cap) {
        Tell("can't copy PDF file", "Tarnwick", MB_OK, IDOK);
        return;
    }
    CopyText(out, cap, copy);
    if (!CopyFileA(gEmbed.docPath, out, FALSE))
        Tell("can't copy PDF file", "Tarnwick", MB_OK, IDOK);
}

void OpenDocument(const char *viewer)
{
    char found[MAX_PATH] = "";
    if ((INT_PTR)FindExecutableA(gEmbed.docPath, ".", found) < 32) {
        Tell("Cannot launch Acrobat Reader", "Error", MB_OK, IDOK);
        return;
    }
    // The viewer may not take a network path, or a path with a blank, on its
    // command line: such a document is opened from a copy in the
    // temporary directory.
    char toOpen[kEmbedPathSize];
    PathToOpen(toOpen, sizeof toOpen);
    // Quoted, so a temporary directory or viewer path with a blank still
    // reaches the viewer as one argument; a viewer path that comes quoted
    // already is taken as it is.
    const char *quote = viewer[0] == '"' ? "" : "\"";
    char command[2 * kEmbedPathSize + 8];
    snprintf(command, sizeof command, "%s%s%s \"%s\"", quote, viewer, quote, toOpen);
    if (WinExec(command, SW_SHOW) < 32)
        Tell("Cannot launch Acrobat Reader", "Error", MB_OK, IDOK);
}
