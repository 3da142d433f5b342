#include "disc_image.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>

// The image comes out through libisofs's own copy of the burn_source
// interface; libburn is not used.
#define LIBISOFS_WITHOUT_LIBBURN 1
extern "C" {
#include <libisofs/libisofs.h>
}

#include "check.h"
#include "disc_names.h"
#include "json.h"
#include "output.h"

namespace {

char gReason[PATH_MAX + 300];

const char *Fail(const char *fmt, const std::string &a, const std::string &b = "")
{
    snprintf(gReason, sizeof gReason, fmt, a.c_str(), b.c_str());
    return gReason;
}

const uint64_t kBlock = 2048;

// libisofs once per process, with names read and written as UTF-8 whatever
// the host's locale: the Joliet names must not depend on it.
int LibraryReady(void)
{
    static int ready = 0;
    if (ready == 0) {
        ready = iso_init() == 1 ? 1 : -1;
        if (ready == 1)
            iso_set_local_charset((char *)"UTF-8", 0);
    }
    return ready == 1;
}

const char *IsoFailure(const char *what, int code)
{
    snprintf(gReason, sizeof gReason, "%s: %s", what, iso_error_to_msg(code));
    return gReason;
}

// The folder node for the parent of path, made as needed; dirs maps paths
// already made.
const char *ParentDir(IsoImage *image, const std::string &path, std::map<std::string, IsoDir *> *dirs,
                      time_t when, IsoDir **parent)
{
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        *parent = iso_image_get_root(image);
        return NULL;
    }
    std::string dirPath = path.substr(0, slash);
    auto found = dirs->find(dirPath);
    if (found != dirs->end()) {
        *parent = found->second;
        return NULL;
    }
    IsoDir *up;
    const char *why = ParentDir(image, dirPath, dirs, when, &up);
    if (why != NULL)
        return why;
    IsoDir *made = NULL;
    int rc = iso_image_add_new_dir(image, up, dirPath.substr(dirPath.rfind('/') + 1).c_str(), &made);
    if (rc < 0)
        return IsoFailure(("cannot add the folder " + dirPath).c_str(), rc);
    iso_node_set_permissions((IsoNode *)made, 0555);
    iso_node_set_mtime((IsoNode *)made, when);
    iso_node_set_atime((IsoNode *)made, when);
    iso_node_set_ctime((IsoNode *)made, when);
    (*dirs)[dirPath] = made;
    *parent = made;
    return NULL;
}

}  // namespace

const char *MasterDiscImage(const DiscMaster *m, Output *out)
{
    if (!LibraryReady())
        return "libisofs cannot start";
    IsoImage *image = NULL;
    int rc = iso_image_new(m->label, &image);
    if (rc < 0)
        return IsoFailure("cannot make an image", rc);
    iso_image_set_volume_id(image, m->label);
    iso_tree_set_follow_symlinks(image, 1);
    // A name too long is an error here, never cut (the names were checked
    // before; this keeps the writer from mending what the check missed).
    iso_image_set_truncate_mode(image, 0, 255);

    std::vector<const DiscFile *> files;
    for (const DiscFile &f : m->files)
        files.push_back(&f);
    std::sort(files.begin(), files.end(),
              [](const DiscFile *a, const DiscFile *b) { return a->path < b->path; });
    std::map<std::string, IsoDir *> dirs;
    const char *why = NULL;
    for (const DiscFile *f : files) {
        IsoDir *parent = NULL;
        why = ParentDir(image, f->path, &dirs, m->when, &parent);
        if (why != NULL)
            break;
        std::string name = f->path.substr(f->path.rfind('/') + 1);
        IsoNode *node = NULL;
        if (f->source.empty()) {
            unsigned char *copy = (unsigned char *)malloc(f->bytes.size() + 1);
            IsoStream *stream = NULL;
            if (copy == NULL) {
                why = "out of memory";
                break;
            }
            memcpy(copy, f->bytes.data(), f->bytes.size());
            rc = iso_memory_stream_new(copy, f->bytes.size(), &stream);
            if (rc < 0) {
                free(copy);
            } else {
                IsoFile *file = NULL;
                // The file takes the stream's reference when it is made.
                rc = iso_image_add_new_file(image, parent, name.c_str(), stream, &file);
                if (rc < 0)
                    iso_stream_unref(stream);
                node = (IsoNode *)file;
            }
        } else {
            // libisofs reads the host's files by their whole path.
            char *real = realpath(f->source.c_str(), NULL);
            rc = real == NULL ? ISO_FILE_DOESNT_EXIST
                              : iso_tree_add_new_node(image, parent, name.c_str(), real, &node);
            free(real);
        }
        if (rc < 0) {
            why = IsoFailure(("cannot add " + (f->source.empty() ? f->path : f->source)).c_str(), rc);
            break;
        }
        iso_node_set_permissions(node, 0444);
        iso_node_set_uid(node, 0);
        iso_node_set_gid(node, 0);
        iso_node_set_mtime(node, m->when);
        iso_node_set_atime(node, m->when);
        iso_node_set_ctime(node, m->when);
    }

    IsoWriteOpts *opts = NULL;
    if (why == NULL && (rc = iso_write_opts_new(&opts, 0)) < 0)
        why = IsoFailure("cannot set up the image", rc);
    if (why == NULL) {
        // Level 2 names (31 characters) for readers without Joliet, Joliet
        // for Windows; no Rock Ridge, which would record the host's owners,
        // modes and inode numbers. Every time is the one given, in GMT, so
        // the host's clock and time zone leave no trace.
        iso_write_opts_set_iso_level(opts, 2);
        iso_write_opts_set_rockridge(opts, 0);
        iso_write_opts_set_joliet(opts, 1);
        iso_write_opts_set_aaip(opts, 0);
        iso_write_opts_set_hardlinks(opts, 0);
        iso_write_opts_set_record_md5(opts, 0, 0);
        iso_write_opts_set_always_gmt(opts, 1);
        iso_write_opts_set_replace_timestamps(opts, 1);
        iso_write_opts_set_default_timestamp(opts, m->when);
        iso_write_opts_set_replace_mode(opts, 1, 1, 1, 1);
        iso_write_opts_set_default_dir_mode(opts, 0555);
        iso_write_opts_set_default_file_mode(opts, 0444);
        iso_write_opts_set_default_uid(opts, 0);
        iso_write_opts_set_default_gid(opts, 0);
        struct tm t;
        gmtime_r(&m->when, &t);
        char stamp[96];  // room for any int the fields could hold
        snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d00", t.tm_year + 1900, t.tm_mon + 1,
                 t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec);
        iso_write_opts_set_pvd_times(opts, m->when, m->when, 0, 0, stamp);
    }
    struct burn_source *burn = NULL;
    if (why == NULL && (rc = iso_image_create_burn_source(image, opts, &burn)) < 0)
        why = IsoFailure("cannot write the image", rc);
    if (burn != NULL) {
        unsigned char block[kBlock];
        for (;;) {
            int got = burn->read_xt(burn, block, (int)sizeof block);
            if (got == 0)
                break;
            if (got < 0) {
                why = "the image writer failed (a file changed or could not be read)";
                break;
            }
            if (OutputInterrupted()) {
                why = OutputInterruptedText();
                break;
            }
            if (!OutputWrite(out, block, (size_t)got)) {
                why = SystemFailure("write failed", out->target);
                break;
            }
        }
        if (why != NULL)
            burn->cancel(burn);
        // The writer's thread is done only once the source is drained or
        // cancelled; then both go.
        while (iso_image_generator_is_running(image))
            usleep(1000);
        burn->free_data(burn);
        free(burn);
    }
    if (opts != NULL)
        iso_write_opts_free(opts);
    iso_image_unref(image);
    return why;
}

int IsDiscImage(const char *path)
{
    unsigned char head[6] = {0};
    int fd = open(path, O_RDONLY);
    if (fd < 0)
        return 0;
    ssize_t got = pread(fd, head, sizeof head, 16 * kBlock);
    close(fd);
    return got == (ssize_t)sizeof head && head[0] == 1 && memcmp(head + 1, "CD001", 5) == 0;
}

namespace {

struct Walk {
    std::vector<DiscImageFile> *files;
    uint64_t imageSize;
    uint64_t total;
    const char *why;
};

// Each node of dir, depth first, folders before the files of each; names
// that could leave a folder are refused.
void WalkDir(IsoDir *dir, const std::string &prefix, Walk *w, int depth)
{
    IsoDirIter *iter = NULL;
    if (depth > 64) {
        w->why = "folders nested more than 64 deep";
        return;
    }
    if (iso_dir_get_children(dir, &iter) < 0) {
        w->why = "a folder cannot be read";
        return;
    }
    std::vector<IsoNode *> nodes;
    IsoNode *node;
    while (iso_dir_iter_next(iter, &node) == 1)
        nodes.push_back(node);
    iso_dir_iter_free(iter);
    for (IsoNode *n : nodes) {
        if (w->why != NULL)
            return;
        std::string name = iso_node_get_name(n) != NULL ? iso_node_get_name(n) : "";
        if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos) {
            w->why = Fail("a name that would leave its folder: \"%s\"", prefix + name);
            return;
        }
        std::string path = prefix + name;
        if (ISO_NODE_IS_DIR(n)) {
            w->files->push_back({path, 1, 0, 0});
            WalkDir((IsoDir *)n, path + "/", w, depth + 1);
        } else if (ISO_NODE_IS_FILE(n)) {
            int count = 0;
            struct iso_file_section *sections = NULL;
            uint64_t size = (uint64_t)iso_file_get_size((IsoFile *)n);
            int rc = iso_file_get_old_image_sections((IsoFile *)n, &count, &sections, 0);
            uint64_t offset = 0;
            if (rc == 1 && count == 1)
                offset = (uint64_t)sections[0].block * kBlock;
            free(sections);
            if (size != 0 && (rc != 1 || count != 1)) {
                w->why = Fail("%s is not held in one extent", path);
                return;
            }
            if (offset > w->imageSize || size > w->imageSize - offset) {
                w->why = Fail("%s lies beyond the end of the image", path);
                return;
            }
            w->total += size;
            if (w->total > w->imageSize) {
                w->why = Fail("the files hold more than the image (extents that overlap, at %s)",
                              path);
                return;
            }
            w->files->push_back({path, 0, offset, size});
        }
        // Links and special files have no place on a disc for Windows.
    }
}

// Reads the tree once, with Joliet names or without.
const char *ImportTree(const char *path, int joliet, uint64_t imageSize, DiscImage *image,
                       std::vector<DiscImageFile> *files)
{
    IsoDataSource *src = NULL;
    IsoImage *img = NULL;
    IsoReadOpts *opts = NULL;
    IsoReadImageFeatures *features = NULL;
    const char *why = NULL;
    int rc = iso_data_source_new_from_file(path, &src);
    if (rc < 0)
        return IsoFailure("cannot read the image", rc);
    if ((rc = iso_image_new("import", &img)) < 0 || (rc = iso_read_opts_new(&opts, 0)) < 0) {
        why = IsoFailure("cannot read the image", rc);
    } else {
        iso_read_opts_set_no_rockridge(opts, 1);
        iso_read_opts_set_no_aaip(opts, 1);
        iso_read_opts_set_no_iso1999(opts, 1);
        iso_read_opts_set_no_md5(opts, 1);
        iso_read_opts_set_no_joliet(opts, !joliet);
        iso_read_opts_set_preferjoliet(opts, joliet);
        iso_read_opts_set_ecma119_map(opts, 1);  // the names without their ";1"
        rc = iso_image_import(img, src, opts, &features);
        if (rc < 0)
            why = IsoFailure("no ISO 9660 image", rc);
    }
    if (why == NULL && image != NULL) {
        image->joliet = iso_read_image_features_has_joliet(features);
        image->volumeBytes = (uint64_t)iso_read_image_features_get_size(features) * kBlock;
        const char *label = iso_image_get_volume_id(img);
        image->label = label != NULL ? label : "";
    }
    if (why == NULL) {
        Walk w = {files, imageSize, 0, NULL};
        WalkDir(iso_image_get_root(img), "", &w, 0);
        why = w.why;
    }
    if (features != NULL)
        iso_read_image_features_destroy(features);
    if (opts != NULL)
        iso_read_opts_free(opts);
    if (img != NULL)
        iso_image_unref(img);
    iso_data_source_unref(src);
    return why;
}

std::string Folded(const std::string &s)
{
    std::string out = s;
    for (char &c : out)
        c = (char)toupper((unsigned char)c);
    return out;
}

}  // namespace

const char *ReadDiscImage(const char *path, DiscImage *image)
{
    if (!LibraryReady())
        return "libisofs cannot start";
    struct stat st;
    if (stat(path, &st) != 0)
        return SystemFailure("cannot read", path);
    if (!IsDiscImage(path))
        return "no ISO 9660 image (no volume descriptor at 32 KiB)";
    image->size = (uint64_t)st.st_size;
    image->files.clear();
    image->isoRenamed.clear();
    const char *why = ImportTree(path, 1, image->size, image, &image->files);
    if (why != NULL || !image->joliet)
        return why;
    // The names a reader without Joliet sees, where they are not the
    // Joliet names in capitals: matched by where the file's bytes lie.
    std::vector<DiscImageFile> iso;
    why = ImportTree(path, 0, image->size, NULL, &iso);
    if (why != NULL)
        return why;
    // Files are matched by where their bytes lie, folders by the name
    // the writer makes of each part of their path.
    std::set<std::string> joliet;
    std::map<uint64_t, std::string> byOffset;
    std::map<std::string, std::string> dirByIsoName;
    for (const DiscImageFile &f : image->files) {
        joliet.insert(Folded(f.path));
        if (!f.isDir && f.size != 0)
            byOffset[f.offset] = f.path;
        if (f.isDir) {
            std::string iso;
            for (size_t from = 0; from <= f.path.size();) {
                size_t to = f.path.find('/', from);
                if (to == std::string::npos)
                    to = f.path.size();
                iso += (iso.empty() ? "" : "/") + IsoLevel2Name(f.path.substr(from, to - from), 1);
                from = to + 1;
            }
            dirByIsoName[iso] = f.path;
        }
    }
    for (const DiscImageFile &f : iso) {
        if (joliet.count(Folded(f.path)) != 0)
            continue;
        std::string named = "?";
        if (f.isDir && dirByIsoName.count(f.path) != 0)
            named = dirByIsoName[f.path];
        else if (!f.isDir && f.size != 0 && byOffset.count(f.offset) != 0)
            named = byOffset[f.offset];
        image->isoRenamed.push_back(f.path + "\t" + named);
    }
    return NULL;
}

namespace {

struct RangeSource {
    int fd;
    uint64_t offset, size;
};

int32_t ReadRange(void *ctx, uint64_t offset, void *buf, uint32_t n)
{
    RangeSource *r = (RangeSource *)ctx;
    if (offset >= r->size)
        return 0;
    if (n > r->size - offset)
        n = (uint32_t)(r->size - offset);
    ssize_t got = pread(r->fd, buf, n, (off_t)(r->offset + offset));
    return got < 0 ? -1 : (int32_t)got;
}

}  // namespace

const char *OpenDiscImageFile(const char *imagePath, const DiscImageFile &file, ExamineSource *src)
{
    int fd = open(imagePath, O_RDONLY);
    if (fd < 0)
        return SystemFailure("cannot read", imagePath);
    RangeSource *r = new RangeSource{fd, file.offset, file.size};
    src->ctx = r;
    src->size = (int64_t)file.size;
    src->read = ReadRange;
    return NULL;
}

void CloseDiscImageFile(ExamineSource *src)
{
    RangeSource *r = (RangeSource *)src->ctx;
    close(r->fd);
    delete r;
}

const char *ExtractDiscImage(const char *imagePath, const DiscImage &image, const char *folder)
{
    int in = open(imagePath, O_RDONLY);
    if (in < 0)
        return SystemFailure("cannot read", imagePath);
    const char *why = NULL;
    std::vector<unsigned char> buf(1 << 16);
    for (const DiscImageFile &f : image.files) {
        if (why != NULL)
            break;
        std::string to = std::string(folder) + "/" + f.path;
        if (f.isDir) {
            if (mkdir(to.c_str(), 0755) != 0 && errno != EEXIST)
                why = SystemFailure("cannot write", to.c_str());
            continue;
        }
        int fd = open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        if (fd < 0) {
            why = SystemFailure("cannot write", to.c_str());
            break;
        }
        for (uint64_t done = 0; done < f.size && why == NULL;) {
            size_t n = (size_t)std::min<uint64_t>(buf.size(), f.size - done);
            ssize_t got = pread(in, buf.data(), n, (off_t)(f.offset + done));
            if (got <= 0)
                why = SystemFailure("cannot read", imagePath);
            else if (write(fd, buf.data(), (size_t)got) != got)
                why = SystemFailure("cannot write", to.c_str());
            else
                done += (uint64_t)got;
            if (why == NULL && OutputInterrupted())
                why = OutputInterruptedText();
        }
        if (close(fd) != 0 && why == NULL)
            why = SystemFailure("cannot write", to.c_str());
    }
    close(in);
    return why;
}

void RemoveScratchTree(const char *folder)
{
    std::string dir = folder;
    DIR *d = opendir(dir.c_str());
    if (d != NULL) {
        std::vector<std::string> names;
        while (struct dirent *e = readdir(d)) {
            if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
                names.push_back(e->d_name);
        }
        closedir(d);
        for (const std::string &n : names) {
            std::string p = dir + "/" + n;
            struct stat st;
            if (lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
                RemoveScratchTree(p.c_str());
            else
                unlink(p.c_str());
        }
    }
    rmdir(dir.c_str());
}
