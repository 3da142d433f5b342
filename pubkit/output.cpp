#include "output.h"

#include <errno.h>
#include <fcntl.h>
#include <openssl/evp.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

namespace {

// What the interrupt handler removes: plain arrays and flags, as a handler
// may touch nothing else. A slot is filled before its file exists and
// emptied after it is gone or renamed into place.
enum { kSlots = 32 };
struct Slot {
    volatile sig_atomic_t used;
    volatile sig_atomic_t folder;
    char path[PATH_MAX];
};
Slot gSlots[kSlots];
volatile sig_atomic_t gInterrupted = 0;
mode_t gUmask = 022;

char gReason[PATH_MAX + 200];
char gInterruptText[64];

void TakeBackAll(void)
{
    // Files first: a folder goes only once it is empty.
    for (int pass = 0; pass < 2; ++pass) {
        for (int i = 0; i < kSlots; ++i) {
            if (gSlots[i].used && gSlots[i].folder == pass)
                pass == 0 ? unlink(gSlots[i].path) : rmdir(gSlots[i].path);
        }
    }
}

void OnInterrupt(int sig)
{
    int saved = errno;
    TakeBackAll();
    if (gInterrupted != 0)
        _exit(128 + sig);  // asked twice: the user will not wait for the clean-up
    gInterrupted = sig;
    errno = saved;
}

// Blocks the caught signals while the table changes, so the handler never
// sees a slot half written.
void Hold(sigset_t *old)
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, old);
}

void Release(const sigset_t *old)
{
    pthread_sigmask(SIG_SETMASK, old, NULL);
}

// The output's folder and file name, from a path.
void SplitPath(const char *path, char *dir, size_t dirCap, const char **base)
{
    const char *slash = strrchr(path, '/');
    *base = slash != NULL ? slash + 1 : path;
    if (slash == NULL)
        snprintf(dir, dirCap, ".");
    else if (slash == path)
        snprintf(dir, dirCap, "/");
    else
        snprintf(dir, dirCap, "%.*s", (int)(slash - path), path);
}

}  // namespace

void CatchInterrupts(void)
{
    gUmask = umask(0);
    umask(gUmask);
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = OnInterrupt;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, NULL);
    sigaction(SIGTERM, &sa, NULL);
    sigaction(SIGHUP, &sa, NULL);
}

int OutputInterrupted(void)
{
    return gInterrupted;
}

const char *OutputInterruptedText(void)
{
    snprintf(gInterruptText, sizeof gInterruptText, "interrupted (%s): nothing written",
             strsignal(gInterrupted != 0 ? gInterrupted : SIGINT));
    return gInterruptText;
}

void ExitIfInterrupted(void)
{
    int sig = gInterrupted;
    if (sig == 0)
        return;
    signal(sig, SIG_DFL);
    raise(sig);
    _exit(128 + sig);
}

const char *SystemFailure(const char *what, const char *name)
{
    int err = errno;
    snprintf(gReason, sizeof gReason, "%s: %s: %s", what, name, strerror(err));
    return gReason;
}

int TakeBackOnInterrupt(const char *path, int isFolder)
{
    sigset_t old;
    Hold(&old);
    int slot = -1;
    for (int i = 0; i < kSlots && slot < 0; ++i) {
        if (!gSlots[i].used && strlen(path) < sizeof gSlots[i].path) {
            memcpy(gSlots[i].path, path, strlen(path) + 1);
            gSlots[i].folder = isFolder;
            gSlots[i].used = 1;
            slot = i;
        }
    }
    Release(&old);
    return slot;
}

void ReleaseTakeBack(int slot)
{
    if (slot < 0)
        return;
    sigset_t old;
    Hold(&old);
    gSlots[slot].used = 0;
    Release(&old);
}

const char *RefuseInputAsOutput(const char *target, const char *const *inputs, int count)
{
    struct stat out;
    if (stat(target, &out) != 0)
        return NULL;  // nothing there yet: no input can be it
    if (S_ISDIR(out.st_mode)) {
        snprintf(gReason, sizeof gReason, "the output %s is a folder", target);
        return gReason;
    }
    for (int i = 0; i < count; ++i) {
        struct stat in;
        if (inputs[i] == NULL || stat(inputs[i], &in) != 0)
            continue;
        if (in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
            snprintf(gReason, sizeof gReason, "the output %s is the input %s (the same file): "
                     "refused, nothing written", target, inputs[i]);
            return gReason;
        }
    }
    return NULL;
}

const char *OutputOpen(Output *o, const char *target)
{
    memset(o, 0, sizeof *o);
    o->slot = -1;
    if (target[0] == '\0' || target[strlen(target) - 1] == '/') {
        snprintf(gReason, sizeof gReason, "the output \"%s\" names no file", target);
        return gReason;
    }
    // A link is followed, as writing through it would: the file it names is
    // replaced and the link stays.
    struct stat st;
    char resolved[PATH_MAX];
    if (lstat(target, &st) == 0 && S_ISLNK(st.st_mode) && realpath(target, resolved) != NULL)
        target = resolved;
    if (strlen(target) >= sizeof o->target)
        return SystemFailure("cannot write", target);
    memcpy(o->target, target, strlen(target) + 1);
    o->mode = 0666 & ~gUmask;
    if (stat(o->target, &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            errno = EISDIR;
            return SystemFailure("cannot write", o->target);
        }
        o->mode = st.st_mode & 07777;
        // A file its owner made read-only stays as it is, as it would for
        // a program writing into it.
        if (access(o->target, W_OK) != 0)
            return SystemFailure("cannot write", o->target);
    }

    char dir[PATH_MAX];
    const char *base;
    SplitPath(o->target, dir, sizeof dir, &base);
    // Hidden, beside the target (a rename stays on one file system), and
    // named so no one takes it for a finished file.
    int n = snprintf(o->temp, sizeof o->temp, "%s/.%.200s.pubkit-XXXXXX", dir, base);
    if (n < 0 || (size_t)n >= sizeof o->temp) {
        errno = ENAMETOOLONG;
        return SystemFailure("cannot write", o->target);
    }
    // The signals wait while the file is made and noted, so that none
    // falls between the two.
    sigset_t old;
    Hold(&old);
    int fd = mkstemp(o->temp);
    if (fd >= 0)
        o->slot = TakeBackOnInterrupt(o->temp, 0);
    Release(&old);
    if (fd < 0) {
        const char *why = SystemFailure("cannot write", o->target);
        o->temp[0] = '\0';
        return why;
    }
    o->file = fdopen(fd, "wb");
    EVP_MD_CTX *digest = EVP_MD_CTX_new();
    if (o->file == NULL || digest == NULL || EVP_DigestInit_ex(digest, EVP_sha256(), NULL) != 1) {
        const char *why = SystemFailure("cannot write", o->target);
        EVP_MD_CTX_free(digest);
        if (o->file == NULL)
            close(fd);
        OutputDiscard(o);
        return why;
    }
    o->digest = digest;
    return NULL;
}

int OutputWrite(Output *o, const void *buf, size_t n)
{
    if (n == 0)
        return 1;
    if (fwrite(buf, 1, n, o->file) != n)
        return 0;
    EVP_DigestUpdate((EVP_MD_CTX *)o->digest, buf, n);
    o->size += n;
    return 1;
}

const char *OutputCommit(Output *o)
{
    const char *why = NULL;
    if (fflush(o->file) != 0 || fchmod(fileno(o->file), o->mode) != 0)
        why = SystemFailure("write failed", o->target);
    if (fclose(o->file) != 0 && why == NULL)
        why = SystemFailure("write failed", o->target);
    o->file = NULL;
    if (why == NULL && OutputInterrupted())
        why = OutputInterruptedText();
    if (why == NULL && rename(o->temp, o->target) != 0)
        why = SystemFailure("cannot write", o->target);
    if (why != NULL) {
        OutputDiscard(o);
        return why;
    }
    ReleaseTakeBack(o->slot);
    o->slot = -1;
    o->temp[0] = '\0';
    EVP_MD_CTX_free((EVP_MD_CTX *)o->digest);
    o->digest = NULL;
    return NULL;
}

void OutputDiscard(Output *o)
{
    if (o->file != NULL)
        fclose(o->file);
    o->file = NULL;
    if (o->temp[0] != '\0')
        unlink(o->temp);
    o->temp[0] = '\0';
    ReleaseTakeBack(o->slot);
    o->slot = -1;
    EVP_MD_CTX_free((EVP_MD_CTX *)o->digest);
    o->digest = NULL;
}

void OutputSha256(const Output *o, char hex[65])
{
    unsigned char sum[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_MD_CTX *copy = EVP_MD_CTX_new();
    hex[0] = '\0';
    if (copy == NULL || o->digest == NULL ||
        EVP_MD_CTX_copy_ex(copy, (const EVP_MD_CTX *)o->digest) != 1 ||
        EVP_DigestFinal_ex(copy, sum, &n) != 1)
        n = 0;
    for (unsigned int i = 0; i < n && i < 32; ++i)
        snprintf(hex + 2 * i, 3, "%02x", sum[i]);
    EVP_MD_CTX_free(copy);
}

const char *ScratchFolder(const char *target, char *path, size_t cap)
{
    char dir[PATH_MAX];
    const char *base;
    SplitPath(target, dir, sizeof dir, &base);
    int n = snprintf(path, cap, "%s/.%.200s.pubkit-XXXXXX", dir, base);
    if (n < 0 || (size_t)n >= cap) {
        errno = ENAMETOOLONG;
        return SystemFailure("cannot make a folder beside", target);
    }
    sigset_t old;
    Hold(&old);
    int made = mkdtemp(path) != NULL;
    if (made)
        TakeBackOnInterrupt(path, 1);
    Release(&old);
    return made ? NULL : SystemFailure("cannot make a folder beside", target);
}

void ScratchFolderDone(const char *path)
{
    sigset_t old;
    Hold(&old);
    for (int i = 0; i < kSlots; ++i) {
        if (gSlots[i].used && gSlots[i].folder && strcmp(gSlots[i].path, path) == 0)
            gSlots[i].used = 0;
    }
    Release(&old);
}
