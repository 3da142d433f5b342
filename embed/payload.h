// The cargo of an embed installer: finding its trailer, writing the document
// beside the program and opening it in the viewer.
#ifndef TARNWICK_EMBED_PAYLOAD_H
#define TARNWICK_EMBED_PAYLOAD_H

// Reads the trailer of the own file into gEmbed. Returns 1, or 0 after
// telling the user (file unreadable, no trailer, offsets that do not
// describe the file).
int ReadTrailer();

// Writes the document to ownDir\docName. Returns 1 when it was written
// whole, 0 after telling the user; a partial file stays.
int ExtractDocument();

// Starts viewer with the document; tells the user when it cannot.
void OpenDocument(const char *viewer);

#endif
