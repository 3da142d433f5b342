#include "zip_writer.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sched.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "book_codepage.h"
#include "dunzip/zip_core.h"
#include "output.h"

namespace {

// 1980-01-01 00:00:00, the earliest a DOS time can say: nothing of the
// machine or the moment leaks into the archive.
const uint16_t kFixedDate = (0 << 9) | (1 << 5) | 1;
const uint16_t kFixedTime = 0;
const uint32_t kChunk = 65536;
const uint64_t kZipLimit = 0xFFFFFFFFull;  // no zip64: 32-bit sizes and offsets
// A member's deflated bytes (and its plain bytes, should it be stored)
// stay in memory up to this much; beyond it they go to a scratch file.
const size_t kMemberMemory = 2u << 20;

struct Member {
    std::string rel;     // '/'-separated, as the folder names it (UTF-8)
    std::string path;    // on disk
    std::string stored;  // rel as the archive stores it: in the book's code page
};

char gReason[PATH_MAX + 200];

const char *Fail(const char *what, const std::string &name)
{
    snprintf(gReason, sizeof gReason, "%s: %s", what, name.c_str());
    return gReason;
}

const char *FailErrno(const char *what, const std::string &name)
{
    return SystemFailure(what, name.c_str());
}

// A worker's reason, in its own string: the workers share no buffer.
std::string Reason(const char *what, const std::string &name, int err = 0)
{
    std::string r = std::string(what) + ": " + name;
    if (err != 0)
        r += std::string(": ") + strerror(err);
    return r;
}

void Put16(unsigned char *p, uint32_t v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}

void Put32(unsigned char *p, uint32_t v)
{
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}

// Whether the scan is to leave out (1) or stop at (-1) the file st names.
int Skipped(FolderScan *scan, const struct stat &st, const std::string &path, const char **why)
{
    for (size_t i = 0; scan != NULL && i < scan->skipCount; ++i) {
        const ScanSkip &s = scan->skip[i];
        if (s.dev != st.st_dev || s.ino != st.st_ino)
            continue;
        if (s.refuse) {
            snprintf(gReason, sizeof gReason, "the output %s is the file %s of the folder, "
                     "which it would replace: refused, nothing written", s.name, path.c_str());
            *why = gReason;
            return -1;
        }
        ++scan->skipped;
        return 1;
    }
    return 0;
}

const char *Collect(const std::string &dir, const std::string &prefix, FolderScan *scan,
                    std::vector<Member> *out)
{
    DIR *d = opendir(dir.c_str());
    if (d == NULL)
        return FailErrno("cannot read folder", dir);
    std::vector<std::string> names;
    while (struct dirent *e = readdir(d)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
            names.push_back(e->d_name);
    }
    closedir(d);
    for (const std::string &name : names) {
        std::string path = dir + "/" + name, rel = prefix + name;
        struct stat st;
        if (stat(path.c_str(), &st) != 0)
            return FailErrno("cannot read", path);
        const char *why = NULL;
        int skip = Skipped(scan, st, path, &why);
        if (skip < 0)
            return why;
        if (skip > 0)
            continue;
        if (S_ISDIR(st.st_mode)) {
            why = Collect(path, rel + "/", scan, out);
            if (why != NULL)
                return why;
        } else if (S_ISREG(st.st_mode)) {
            out->push_back({rel, path, ""});
        } else {
            return Fail("not a file or folder", path);
        }
    }
    return NULL;
}

// Every file under dir in bytewise order of its stored name, each name one
// the unzip core will expand, judged in the book's code page as the unzip
// library judges it there.
const char *Gather(const char *dir, FolderScan *scan, std::vector<Member> *members)
{
    if (scan != NULL)
        scan->skipped = 0;
    const char *why = Collect(dir, "", scan, members);
    if (why != NULL)
        return why;
    if (members->size() > 0xFFFF)
        return Fail("too many files for a zip without zip64", dir);
    // The first name refused is the same on every run, whatever order the
    // folder lists them in.
    std::sort(members->begin(), members->end(),
              [](const Member &a, const Member &b) { return a.rel < b.rel; });
    for (Member &m : *members) {
        why = NameForBook(m.rel, &m.stored);
        if (why != NULL) {
            snprintf(gReason, sizeof gReason, "%s/%s", dir, why);
            return gReason;
        }
        char safe[kZipPathMax];
        if (m.stored.size() > 0xFFFF ||
            ZipSafeName(m.stored.c_str(), m.stored.size(), safe, sizeof safe) != kZipNameFile)
            return Fail("name cannot be expanded on Windows", m.rel);
    }
    std::sort(members->begin(), members->end(),
              [](const Member &a, const Member &b) { return a.stored < b.stored; });
    return NULL;
}

// ---- one member, deflated by a worker ----

// A member made ready for the archive: its header fields and the bytes that
// follow its local header, in memory, in a scratch file, or (stored and too
// large to keep) to be read from the file again.
struct Job {
    uint16_t method;
    uint32_t crc;
    uint64_t packed;
    uint64_t size;
    std::string bytes;
    int scratch;  // descriptor of a removed file, -1 for none
    int reread;
    int done;
    std::string why;
};

// A file nobody can open by name: gone with its last descriptor.
int ScratchFile(const char *dir)
{
    int fd = open(dir, O_TMPFILE | O_RDWR | O_EXCL, 0600);
    if (fd >= 0 || (errno != EOPNOTSUPP && errno != EISDIR && errno != ENOENT))
        return fd;
    std::string name = std::string(dir) + "/.pubkit-scratch-XXXXXX";
    fd = mkstemp(&name[0]);
    if (fd >= 0)
        unlink(name.c_str());
    return fd;
}

int WriteAll(int fd, const unsigned char *p, size_t n)
{
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return 0;
        p += w;
        n -= (size_t)w;
    }
    return 1;
}

// Adds deflated bytes to the job: in memory up to limit, then in a scratch file.
int Keep(Job *j, const unsigned char *p, size_t n, size_t limit, const char *scratchDir)
{
    if (j->scratch < 0 && j->bytes.size() + n <= limit) {
        j->bytes.append((const char *)p, n);
        return 1;
    }
    if (j->scratch < 0) {
        j->scratch = ScratchFile(scratchDir);
        if (j->scratch < 0 || !WriteAll(j->scratch, (const unsigned char *)j->bytes.data(),
                                        j->bytes.size()))
            return 0;
        std::string().swap(j->bytes);
    }
    return WriteAll(j->scratch, p, n);
}

// Deflates a member as one stream, fed in the same 64 KiB pieces whatever
// the number of workers, so its bytes are always the same; decides between
// deflated and stored. Fills j (j->why on failure).
void Deflate(const Member &m, Job *j, size_t limit, const char *scratchDir,
             const std::atomic<int> *stop)
{
    FILE *f = fopen(m.path.c_str(), "rb");
    if (f == NULL) {
        j->why = Reason("cannot read", m.path, errno);
        return;
    }
    z_stream z;
    memset(&z, 0, sizeof z);
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        fclose(f);
        j->why = Reason("out of memory deflating", m.rel);
        return;
    }
    std::vector<unsigned char> in(kChunk), out(kChunk);
    std::string plain;  // kept while it fits, for a member that ends up stored
    int plainKept = 1;
    uint32_t crc = (uint32_t)crc32(0, Z_NULL, 0);
    for (int done = 0; !done && j->why.empty();) {
        size_t got = fread(in.data(), 1, kChunk, f);
        if (ferror(f)) {
            j->why = Reason("read failed", m.path, errno);
            break;
        }
        if (OutputInterrupted() || *stop) {
            j->why = "interrupted";
            break;
        }
        done = got < kChunk;
        crc = (uint32_t)crc32(crc, in.data(), (uInt)got);
        j->size += got;
        if (plainKept && plain.size() + got <= limit)
            plain.append((const char *)in.data(), got);
        else
            std::string().swap(plain), plainKept = 0;
        z.next_in = in.data();
        z.avail_in = (uInt)got;
        do {
            z.next_out = out.data();
            z.avail_out = kChunk;
            deflate(&z, done ? Z_FINISH : Z_NO_FLUSH);
            size_t n = kChunk - z.avail_out;
            j->packed += n;
            if (n != 0 && !Keep(j, out.data(), n, limit, scratchDir))
                j->why = Reason("cannot keep the deflated bytes of", m.rel, errno);
        } while (z.avail_out == 0 && j->why.empty());
    }
    deflateEnd(&z);
    fclose(f);
    j->crc = crc;
    if (j->why.empty() && (j->size > kZipLimit || j->packed > kZipLimit))
        j->why = Reason("member too large for a zip without zip64", m.rel);
    if (!j->why.empty() || j->packed < j->size)
        return;
    // Deflating did not pay: the same bytes stored.
    j->method = 0;
    j->packed = j->size;
    if (j->scratch >= 0)
        close(j->scratch);
    j->scratch = -1;
    j->bytes.swap(plain);
    j->reread = !plainKept;
}

// ---- the workers and the one writer ----

struct Shared {
    const std::vector<Member> *members;
    std::vector<Job> jobs;
    size_t next = 0;     // the next member a worker takes
    size_t written = 0;  // members the writer has put out
    size_t ahead = 0;    // how far beyond the writer the workers may go
    std::atomic<int> stop{0};  // the writer gave up: no member is wanted any more
    size_t limit = kMemberMemory;
    const char *scratchDir = NULL;
    std::mutex lock;
    std::condition_variable changed;
};

void Work(Shared *s)
{
    for (;;) {
        size_t i;
        {
            std::unique_lock<std::mutex> hold(s->lock);
            s->changed.wait(hold, [s] {
                return s->stop || s->next >= s->jobs.size() || s->next < s->written + s->ahead;
            });
            if (s->stop || s->next >= s->jobs.size())
                return;
            i = s->next++;
        }
        Deflate((*s->members)[i], &s->jobs[i], s->limit, s->scratchDir, &s->stop);
        std::lock_guard<std::mutex> hold(s->lock);
        s->jobs[i].done = 1;
        s->changed.notify_all();
    }
}

int Emit(const ZipSink *out, const void *p, size_t n)
{
    return n == 0 || out->write(out->ctx, p, n);
}

void LocalHeader(unsigned char *h, const Job &j, size_t nameLen)
{
    memset(h, 0, 30);
    Put32(h, 0x04034b50);
    Put16(h + 4, 20);
    Put16(h + 8, j.method);
    Put16(h + 10, kFixedTime);
    Put16(h + 12, kFixedDate);
    Put32(h + 14, j.crc);
    Put32(h + 18, (uint32_t)j.packed);
    Put32(h + 22, (uint32_t)j.size);
    Put16(h + 26, (uint32_t)nameLen);
}

// The bytes after the member's local header.
const char *EmitData(const ZipSink *out, const Member &m, Job *j)
{
    std::vector<unsigned char> buf(kChunk);
    if (j->scratch >= 0) {
        if (lseek(j->scratch, 0, SEEK_SET) != 0)
            return FailErrno("cannot read back the deflated bytes of", m.rel);
        for (uint64_t left = j->packed; left > 0;) {
            ssize_t got = read(j->scratch, buf.data(), (size_t)std::min<uint64_t>(left, kChunk));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return FailErrno("cannot read back the deflated bytes of", m.rel);
            if (!Emit(out, buf.data(), (size_t)got))
                return FailErrno("write failed at", m.rel);
            left -= (uint64_t)got;
        }
        return NULL;
    }
    if (!j->reread)
        return Emit(out, j->bytes.data(), j->bytes.size()) ? NULL : FailErrno("write failed at", m.rel);
    // Stored and too large to have kept: read again, and it must not have
    // changed since its header was made.
    FILE *f = fopen(m.path.c_str(), "rb");
    if (f == NULL)
        return FailErrno("cannot read", m.path);
    uint32_t crc = (uint32_t)crc32(0, Z_NULL, 0);
    uint64_t size = 0;
    const char *why = NULL;
    for (size_t got; why == NULL && (got = fread(buf.data(), 1, kChunk, f)) > 0;) {
        crc = (uint32_t)crc32(crc, buf.data(), (uInt)got);
        size += got;
        if (size > j->size)
            break;
        if (!Emit(out, buf.data(), got))
            why = FailErrno("write failed at", m.rel);
    }
    if (why == NULL && ferror(f))
        why = FailErrno("read failed", m.path);
    fclose(f);
    if (why == NULL && (size != j->size || crc != j->crc))
        why = Fail("the file changed while it was being archived", m.path);
    return why;
}

unsigned Cores()
{
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0)
        return (unsigned)CPU_COUNT(&set);
    unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? n : 1;
}

// Puts out every member in order as its worker finishes it, then the
// central directory and the end record.
const char *WriteMembers(Shared *s, const ZipSink *out, ZipWriteStats *stats)
{
    const std::vector<Member> &members = *s->members;
    std::vector<uint32_t> localOffset(members.size());
    uint64_t at = 0, bytesIn = 0;
    for (size_t i = 0; i < members.size(); ++i) {
        Job &j = s->jobs[i];
        {
            std::unique_lock<std::mutex> hold(s->lock);
            s->changed.wait(hold, [&] { return j.done != 0; });
        }
        if (!j.why.empty()) {
            snprintf(gReason, sizeof gReason, "%s", j.why.c_str());
            return gReason;
        }
        const std::string &rel = members[i].rel, &stored = members[i].stored;
        if (at > kZipLimit)
            return Fail("archive too large for a zip without zip64", rel);
        localOffset[i] = (uint32_t)at;
        unsigned char h[30];
        LocalHeader(h, j, stored.size());
        if (!Emit(out, h, 30) || !Emit(out, stored.data(), stored.size()))
            return FailErrno("write failed at", rel);
        const char *why = EmitData(out, members[i], &j);
        if (why != NULL)
            return why;
        at += 30 + stored.size() + j.packed;
        bytesIn += j.size;
        if (j.scratch >= 0)
            close(j.scratch);
        j.scratch = -1;
        std::string().swap(j.bytes);
        std::lock_guard<std::mutex> hold(s->lock);
        s->written = i + 1;
        s->changed.notify_all();
    }

    uint64_t cdStart = at;
    for (size_t i = 0; i < members.size(); ++i) {
        const Job &j = s->jobs[i];
        const std::string &rel = members[i].rel, &stored = members[i].stored;
        unsigned char c[46];
        memset(c, 0, sizeof c);
        Put32(c, 0x02014b50);
        Put16(c + 4, 20);  // made by: MS-DOS, zip 2.0
        Put16(c + 6, 20);
        Put16(c + 10, j.method);
        Put16(c + 12, kFixedTime);
        Put16(c + 14, kFixedDate);
        Put32(c + 16, j.crc);
        Put32(c + 20, (uint32_t)j.packed);
        Put32(c + 24, (uint32_t)j.size);
        Put16(c + 28, (uint32_t)stored.size());
        Put32(c + 42, localOffset[i]);
        if (!Emit(out, c, 46) || !Emit(out, stored.data(), stored.size()))
            return FailErrno("write failed at", rel);
        at += 46 + stored.size();
    }
    if (at > kZipLimit)
        return Fail("archive too large for a zip without zip64", "the central directory");
    unsigned char e[22];
    memset(e, 0, sizeof e);
    Put32(e, 0x06054b50);
    Put16(e + 8, (uint32_t)members.size());
    Put16(e + 10, (uint32_t)members.size());
    Put32(e + 12, (uint32_t)(at - cdStart));
    Put32(e + 16, (uint32_t)cdStart);
    if (!Emit(out, e, 22))
        return FailErrno("write failed at", "the end record");
    if (stats != NULL) {
        stats->members = (uint32_t)members.size();
        stats->bytesIn = bytesIn;
        stats->bytesOut = at + 22;
    }
    return NULL;
}

int WriteToFile(void *ctx, const void *buf, size_t n)
{
    return fwrite(buf, 1, n, (FILE *)ctx) == n;
}

}  // namespace

ZipSink ZipFileSink(FILE *f)
{
    ZipSink sink = {f, WriteToFile};
    return sink;
}

const char *LeaveOutOutput(const Output *out, int (*isEarlierOutput)(const char *path),
                           ScanSkip skip[2], FolderScan *scan)
{
    struct stat st;
    size_t n = 0;
    if (fstat(fileno(out->file), &st) != 0)
        return SystemFailure("cannot write", out->target);
    skip[n++] = {st.st_dev, st.st_ino, 0, out->target};
    if (stat(out->target, &st) == 0)
        skip[n++] = {st.st_dev, st.st_ino, !isEarlierOutput(out->target), out->target};
    scan->skip = skip;
    scan->skipCount = n;
    scan->skipped = 0;
    return NULL;
}

const char *ListFolderMembers(const char *dir, FolderScan *scan, FolderMemberFn fn, void *ctx)
{
    std::vector<Member> members;
    const char *why = Gather(dir, scan, &members);
    if (why != NULL)
        return why;
    for (const Member &m : members)
        fn(ctx, m.stored.c_str(), m.path.c_str());
    return NULL;
}

const char *WriteFolderZip(const char *dir, const ZipSink *out, FolderScan *scan,
                           const FolderZipOptions *options, ZipWriteStats *stats)
{
    std::vector<Member> members;
    const char *why = Gather(dir, scan, &members);
    if (why != NULL)
        return why;

    Shared s;
    s.members = &members;
    s.jobs.resize(members.size());
    for (Job &j : s.jobs) {
        j.method = 8;
        j.crc = 0;
        j.packed = j.size = 0;
        j.scratch = -1;
        j.reread = j.done = 0;
    }
    unsigned workers = options != NULL && options->workers > 0 ? (unsigned)options->workers : Cores();
    workers = std::max(1u, std::min<unsigned>(workers, (unsigned)members.size()));
    // Enough members in hand that no worker waits for the writer, few
    // enough that their bytes held in memory stay small.
    s.ahead = workers + 2;
    if (options != NULL && options->memberMemory != 0)
        s.limit = options->memberMemory;
    const char *tmp = getenv("TMPDIR");
    s.scratchDir = options != NULL && options->scratchDir != NULL ? options->scratchDir
                   : tmp != NULL && tmp[0] != '\0'                 ? tmp
                                                                   : "/tmp";
    std::vector<std::thread> threads;
    for (unsigned i = 0; i < workers && !members.empty(); ++i)
        threads.emplace_back(Work, &s);
    why = WriteMembers(&s, out, stats);
    {
        std::lock_guard<std::mutex> hold(s.lock);
        s.stop = 1;
        s.changed.notify_all();
    }
    for (std::thread &t : threads)
        t.join();
    for (Job &j : s.jobs) {
        if (j.scratch >= 0)
            close(j.scratch);
    }
    return why;
}
