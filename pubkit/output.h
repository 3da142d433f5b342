// The toolkit's outputs, written so that nothing of the user's is lost:
// each goes to a temporary file beside its target and is renamed into place
// only when whole, so a failed or interrupted run leaves the previous output
// as it was; an output that is the same file as one of the command's inputs
// is refused before anything is written; SIGINT and SIGTERM take every
// temporary file back. Native only (the publisher's toolkit).
#ifndef TARNWICK_PUBKIT_OUTPUT_H
#define TARNWICK_PUBKIT_OUTPUT_H

#include <limits.h>
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <sys/stat.h>

// Catches SIGINT and SIGTERM (and SIGHUP): the first removes every
// temporary file and asks the running command to stop, the second ends the
// process at once. Call once, before any output is opened.
void CatchInterrupts(void);

// The signal that asked the command to stop, or 0. Long loops test it and
// give up with OutputInterruptedText().
int OutputInterrupted(void);
const char *OutputInterruptedText(void);

// Ends the process by the signal that interrupted it, as a shell expects
// of an interrupted command; returns when there was none.
void ExitIfInterrupted(void);

// A reason with the system's own added: "what: name: strerror(errno)".
// The text lives until the next call.
const char *SystemFailure(const char *what, const char *name);

struct Output {
    char target[PATH_MAX];  // where the output goes, a link followed
    char temp[PATH_MAX];    // where it is written until it is whole
    FILE *file;
    int slot;               // in the table the interrupt handler empties
    mode_t mode;            // the mode it is given: the old output's, or the usual one
    uint64_t size;          // bytes written so far
    void *digest;           // its SHA-256, computed as it is written
};

// Refuses target when it names the same file (device and inode, not
// spelling) as one of the count paths in inputs (NULL entries skipped), or a
// folder. Returns NULL, or a reason.
const char *RefuseInputAsOutput(const char *target, const char *const *inputs, int count);

// Opens the temporary file beside target. Returns NULL, or a reason (o is
// then closed).
const char *OutputOpen(Output *o, const char *target);

// Appends n bytes. Returns 1, or 0 when the write failed (errno tells why).
int OutputWrite(Output *o, const void *buf, size_t n);

// Closes the temporary file and renames it over the target. Returns NULL,
// or a reason (the temporary file is then removed and the target untouched).
const char *OutputCommit(Output *o);

// Removes the temporary file; the target stays as it was. Safe to call on
// an output that is closed already.
void OutputDiscard(Output *o);

// The SHA-256 of what was written, in hex (65 bytes with the terminator);
// ask before OutputCommit, which lets the digest go.
void OutputSha256(const Output *o, char hex[65]);

// A folder for the command's own scratch files (the unpacked members of an
// archive, a signed file), made beside target and taken back by an
// interrupt. Returns NULL, or a reason; path gets the folder.
const char *ScratchFolder(const char *target, char *path, size_t cap);
void ScratchFolderDone(const char *path);

// Registers a file inside a scratch folder for the interrupt handler to
// remove; returns its slot, or -1 when the table is full (it is then still
// taken back by the command itself). Release the slot when it is gone.
int TakeBackOnInterrupt(const char *path, int isFolder);
void ReleaseTakeBack(int slot);

#endif
