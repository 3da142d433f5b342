#include "disc.h"

#include <dirent.h>
#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "check.h"
#include "common/text.h"
#include "disc_image.h"
#include "disc_names.h"
#include "output.h"
#include "package.h"
#include "setup/install/script_values.h"
#include "setup/payload/package_keys.h"
#include "sign.h"

namespace {

char gReason[2 * PATH_MAX + 300];

const char *Fail(const char *fmt, const std::string &a = "", const std::string &b = "")
{
    snprintf(gReason, sizeof gReason, fmt, a.c_str(), b.c_str());
    return gReason;
}

int IsFolder(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int IsFile(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string Real(const std::string &path)
{
    char *r = realpath(path.c_str(), NULL);
    std::string out = r != NULL ? r : "";
    free(r);
    return out;
}

std::vector<std::string> Names(const std::string &dir)
{
    std::vector<std::string> names;
    DIR *d = opendir(dir.c_str());
    if (d == NULL)
        return names;
    while (struct dirent *e = readdir(d)) {
        if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0)
            names.push_back(e->d_name);
    }
    closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

// The entry of dir named name in any case; empty when there is none.
std::string NameInFolder(const std::string &dir, const char *name)
{
    for (const std::string &n : Names(dir)) {
        if (EqualsNoCase(n.c_str(), name))
            return n;
    }
    return "";
}

struct Skip {
    dev_t dev;
    ino_t ino;
};

// The disc folder's files, as the image will hold them, leaving out this
// run's own files (the output, its temporary file and scratch folder, when
// they lie inside) and the names the run puts there itself.
const char *MediumFiles(const std::string &dir, const std::string &prefix, const std::vector<Skip> &skip,
                        const std::vector<std::string> &ours, std::vector<DiscFile> *files,
                        std::vector<DiscEntry> *entries, FILE *report)
{
    if (prefix.size() > 4096)
        return Fail("folders nested too deep in %s", dir);
    DIR *d = opendir(dir.c_str());
    if (d == NULL)
        return SystemFailure("cannot read folder", dir.c_str());
    closedir(d);
    for (const std::string &name : Names(dir)) {
        std::string path = dir + "/" + name, rel = prefix + name;
        struct stat st;
        if (stat(path.c_str(), &st) != 0)
            return SystemFailure("cannot read", path.c_str());
        int own = 0;
        for (const Skip &s : skip)
            own |= s.dev == st.st_dev && s.ino == st.st_ino;
        if (own)
            continue;
        if (prefix.empty()) {
            int replaced = 0;
            for (const std::string &o : ours)
                replaced |= EqualsNoCase(o.c_str(), name.c_str());
            if (replaced) {
                fprintf(report, "pubkit disc: note: %s is left out: the image has the %s made now\n",
                        path.c_str(), name.c_str());
                continue;
            }
        }
        if (S_ISDIR(st.st_mode)) {
            entries->push_back({rel, 1, 0});
            const char *why = MediumFiles(path, rel + "/", skip, ours, files, entries, report);
            if (why != NULL)
                return why;
        } else if (S_ISREG(st.st_mode)) {
            entries->push_back({rel, 0, (uint64_t)st.st_size});
            files->push_back({rel, path, ""});
        } else {
            return Fail("not a file or folder: %s", path);
        }
    }
    return NULL;
}

// The script's settings the disc takes: its titles and icon, read as
// setup reads them.
void TakeScriptLine(const char *line, long, void *context)
{
    const char *value;
    ReadScriptLine(line, (ScriptValues *)context, &value);
}

void ReadScript(const std::string &path, ScriptValues *values)
{
    memset(values, 0, sizeof *values);
    FILE *f = fopen(path.c_str(), "rb");
    if (f == NULL)
        return;
    ReadScriptLines(f, TakeScriptLine, values);
    fclose(f);
}

// The trailer's keys as the builder reads them from the script (all empty
// when it cannot be read), each cut at its line end.
void ReadKeys(const std::string &script, PackageKeys *keys)
{
    memset(keys, 0, sizeof *keys);
    FILE *f = fopen(script.c_str(), "rb");
    if (f != NULL) {
        ReadPackageKeys(f, keys);
        fclose(f);
    }
    keys->defaultDir[strcspn(keys->defaultDir, "\r\n")] = '\0';
    keys->pubName[strcspn(keys->pubName, "\r\n")] = '\0';
}

std::string Unquoted(const char *text)
{
    std::string s = text;
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.pop_back();
    if (s.size() >= 2 && s[0] == '"' && s.back() == '"')
        s = s.substr(1, s.size() - 2);
    return s;
}

// A finding names the staging folder's files as the book's.
std::string Renamed(std::string text, const std::string &stage, const std::string &book)
{
    size_t at = 0;
    while ((at = text.find(stage, at)) != std::string::npos) {
        text.replace(at, stage.size(), book);
        at += book.size();
    }
    return text;
}

struct Run {
    const DiscRequest *r;
    Output out;
    char scratch[PATH_MAX];
    int scratchMade;
    std::string stage;

    Run() : r(NULL), scratchMade(0)
    {
        memset(&out, 0, sizeof out);
        out.slot = -1;
        scratch[0] = '\0';
    }
};

const char *Programs(const DiscRequest *r, int building, std::string paths[4])
{
    char installed[PATH_MAX] = "";
    if (r->programs == NULL)
        InstalledProgramsDir(installed, sizeof installed);
    std::string dir = r->programs != NULL ? r->programs : installed;
    const char *given[4] = {r->setup, r->meter, r->dunzip, r->embed};
    const char *names[4] = {"setup.exe", "METER.DLL", "DUNZIP32.DLL", "embed.exe"};
    const char *options[4] = {"--setup", "--meter", "--dunzip", "--embed"};
    for (int i = 0; i < 4; ++i) {
        if (i == 3 && !building)
            continue;
        if (given[i] != NULL) {
            paths[i] = given[i];
        } else if (!dir.empty() && !NameInFolder(dir, names[i]).empty()) {
            paths[i] = dir + "/" + NameInFolder(dir, names[i]);
        } else {
            snprintf(gReason, sizeof gReason, "no %s %s%s (install the programs beside pubkit, or "
                     "name them with --programs DIR or %s)", names[i], dir.empty() ? "found" : "in ",
                     dir.c_str(), options[i]);
            return gReason;
        }
        if (!IsFile(paths[i]))
            return SystemFailure("cannot read", paths[i].c_str());
    }
    return NULL;
}

// The book's folder as PACK.BOX will carry it: a link to each of its
// entries, EMBED.EXE left out when this run makes it.
const char *Stage(Run *run, int building)
{
    std::string book = Real(run->r->book);
    run->stage = std::string(run->scratch) + "/book";
    if (mkdir(run->stage.c_str(), 0700) != 0)
        return SystemFailure("cannot write", run->stage.c_str());
    for (const std::string &name : Names(book)) {
        if (building && EqualsNoCase(name.c_str(), "EMBED.EXE")) {
            fprintf(run->r->report, "pubkit disc: note: %s/%s is left out: PACK.BOX gets the "
                    "EMBED.EXE made now\n", run->r->book, name.c_str());
            continue;
        }
        std::string link = run->stage + "/" + name;
        if (symlink((book + "/" + name).c_str(), link.c_str()) != 0)
            return SystemFailure("cannot write", link.c_str());
    }
    return NULL;
}

const char *MakeEmbed(Run *run, const std::string &embedImage, const std::string &script)
{
    const DiscRequest *r = run->r;
    std::string buildFile;
    if (r->buildFile != NULL) {
        if (r->message != NULL || r->selfDelete != NULL)
            return "--message and --delete are tkbuild.txt's MSG= and DEL=: give them there or "
                   "without --build-file";
        buildFile = r->buildFile;
    } else {
        // The settings as options: EMBED.EXE in the installation folder.
        PackageKeys keys;
        ReadKeys(script, &keys);
        buildFile = std::string(run->scratch) + "/tkbuild.txt";
        FILE *out = fopen(buildFile.c_str(), "wb");
        if (out == NULL)
            return SystemFailure("cannot write", buildFile.c_str());
        fprintf(out, "PATH1=%s\\EMBED.EXE\r\nMSG=%s\r\nDEL=%s\r\n",
                keys.defaultDir[0] ? keys.defaultDir : "C:\\BOOK", r->message != NULL ? r->message : "",
                r->selfDelete != NULL ? r->selfDelete : "NO");
        if (fclose(out) != 0)
            return SystemFailure("cannot write", buildFile.c_str());
    }
    EmbedInputs in = {embedImage.c_str(), buildFile.c_str(), r->plugin, r->document, 0, 0,
                      run->stage.c_str(), NULL, r->findings};
    const char *why = BuildEmbedInstallers(&in);
    if (why != NULL)
        return why;
    // Windows finds EMBED.EXE under any case of its name.
    struct stat st;
    std::string name = NameInFolder(run->stage, "EMBED.EXE");
    std::string made = run->stage + "/" + name;
    if (name.empty() || lstat(made.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return Fail("%s: PATH1= names no EMBED.EXE: setup starts EMBED.EXE from the installation "
                    "folder", buildFile);
    fprintf(r->report, "pubkit disc: EMBED.EXE made from %s: %llu bytes\n",
            r->document != NULL ? r->document : r->plugin, (unsigned long long)st.st_size);
    return NULL;
}

const char *Check(Run *run, const std::string programs[3], const std::string &script, int *errors)
{
    PackCheckInputs in = {programs[0].c_str(), programs[1].c_str(), programs[2].c_str(),
                          run->stage.c_str(), script.c_str(), run->r->medium, NULL};
    std::vector<CheckFinding> found;
    CheckCounts counts = {0, 0, 0, 0, &found};
    const char *why = CheckPackInputs(&in, NULL, &counts);
    if (why != NULL)
        return why;
    std::string book = run->r->book;
    while (book.size() > 1 && book.back() == '/')
        book.pop_back();
    for (const CheckFinding &f : found) {
        std::string file = Renamed(f.file, run->stage, book);
        if (f.line > 0)
            fprintf(run->r->findings, "%s:%d: %s: %s\n", file.c_str(), f.line,
                    f.error ? "error" : "warning", Renamed(f.text, run->stage, book).c_str());
        else
            fprintf(run->r->findings, "%s: %s: %s\n", file.c_str(), f.error ? "error" : "warning",
                    Renamed(f.text, run->stage, book).c_str());
    }
    if (counts.errors != 0 || counts.warnings != 0)
        fprintf(run->r->findings, "pubkit disc: the check: %d error%s, %d warning%s\n", counts.errors,
                counts.errors == 1 ? "" : "s", counts.warnings, counts.warnings == 1 ? "" : "s");
    *errors = counts.errors;
    return NULL;
}

time_t DiscTime(const DiscRequest *r, const char **why)
{
    *why = NULL;
    if (r->date != NULL) {
        long long t = ParseDiscDate(r->date);
        if (t < 0)
            *why = "--date takes YYYY-MM-DD or YYYY-MM-DDTHH:MM:SS (UTC), from 1980 to 2099";
        return (time_t)t;
    }
    // The reproducible-builds convention, then the date PACK.BOX's members
    // carry.
    const char *epoch = getenv("SOURCE_DATE_EPOCH");
    if (epoch != NULL && *epoch) {
        char *end;
        long long t = strtoll(epoch, &end, 10);
        if (*end == '\0' && t >= 315532800LL && t < 4102444800LL)
            return (time_t)t;
        *why = "SOURCE_DATE_EPOCH is no time from 1980 to 2099";
        return 0;
    }
    return (time_t)315532800;  // 1980-01-01 00:00:00 UTC
}

const char *Make(Run *run)
{
    const DiscRequest *r = run->r;
    int building = r->document != NULL || r->plugin != NULL;
    if (!building && (r->buildFile != NULL || r->message != NULL || r->selfDelete != NULL))
        return "--build-file, --message and --delete are for the EMBED.EXE made from --doc and "
               "--plugin";
    if (r->cert != NULL && r->key == NULL)
        return "--cert needs --key";
    if (!IsFolder(r->book))
        return Fail("--book names no folder: %s", r->book);
    if (!IsFolder(r->medium))
        return Fail("--medium names no folder: %s", r->medium);
    if (r->label != NULL && VolumeLabelFault(r->label) != NULL)
        return Fail("--label %s: %s", r->label, VolumeLabelFault(r->label));
    const char *why = NULL;
    time_t when = DiscTime(r, &why);
    if (why != NULL)
        return why;
    std::string programs[4];
    if ((why = Programs(r, building, programs)) != NULL)
        return why;
    const char *inputs[] = {programs[0].c_str(), programs[1].c_str(), programs[2].c_str(),
                            building ? programs[3].c_str() : NULL, r->document, r->plugin,
                            r->buildFile, r->icon, r->cert, r->key};
    if ((why = RefuseInputAsOutput(r->output, inputs, 10)) != NULL)
        return why;
    // The image may lie in the disc folder (it is left out), never in the
    // book's: PACK.BOX would have to carry the disc it is on.
    std::string book = Real(r->book), dir = r->output;
    size_t slash = dir.rfind('/');
    std::string outDir = Real(slash == std::string::npos ? "." : slash == 0 ? "/" : dir.substr(0, slash));
    if (!outDir.empty() && (outDir == book || outDir.compare(0, book.size() + 1, book + "/") == 0))
        return Fail("the image %s would lie in the book's folder %s, which PACK.BOX carries: "
                    "refused, nothing written", r->output, r->book);

    if ((why = OutputOpen(&run->out, r->output)) != NULL)
        return why;
    if ((why = ScratchFolder(run->out.target, run->scratch, sizeof run->scratch)) != NULL)
        return why;
    run->scratchMade = 1;
    if ((why = Stage(run, building)) != NULL)
        return why;
    std::string scriptName = NameInFolder(run->stage, "SETUP.INI");
    std::string script = run->stage + "/" + (scriptName.empty() ? "SETUP.INI" : scriptName);
    if (building && (why = MakeEmbed(run, programs[3], script)) != NULL)
        return why;

    // The check, as pack runs it, on the book as PACK.BOX will carry it.
    int errors = 0;
    if (scriptName.empty())
        return Fail("%s holds no SETUP.INI: the package's keys and script come from it", r->book);
    if ((why = Check(run, programs, script, &errors)) != NULL)
        return why;

    // What goes on the disc: its folder, the package, AUTORUN.INF and the
    // drive's icon.
    ScriptValues values;
    ReadScript(script, &values);
    std::string iconSource, iconName;
    if (r->icon != NULL) {
        iconSource = r->icon;
        if (!IsFile(iconSource))
            return SystemFailure("--icon: cannot read", r->icon);
    } else if (values.iconFile[0] != '\0') {
        std::string rel = Unquoted(values.iconFile);
        std::replace(rel.begin(), rel.end(), '\\', '/');
        if (IsFile(run->stage + "/" + rel))
            iconSource = run->stage + "/" + rel;
        else
            fprintf(r->findings, "pubkit disc: warning: ICONFILE=%s is not in the book: the drive "
                    "shows SETUP.EXE's icon\n", values.iconFile);
    }
    if (!iconSource.empty()) {
        size_t slash = iconSource.rfind('/');
        iconName = slash == std::string::npos ? iconSource : iconSource.substr(slash + 1);
    }
    std::vector<std::string> ours = {"SETUP.EXE", "AUTORUN.INF"};
    std::vector<Skip> skip;
    struct stat st;
    if (stat(run->out.target, &st) == 0)
        skip.push_back({st.st_dev, st.st_ino});
    if (stat(run->out.temp, &st) == 0)
        skip.push_back({st.st_dev, st.st_ino});
    if (stat(run->scratch, &st) == 0)
        skip.push_back({st.st_dev, st.st_ino});
    DiscMaster m;
    std::vector<DiscEntry> entries;
    if ((why = MediumFiles(r->medium, "", skip, ours, &m.files, &entries, r->report)) != NULL)
        return why;
    if (!iconName.empty()) {
        // The book's icon on the disc too, unless the disc has that file.
        int there = 0;
        for (const DiscFile &f : m.files)
            there |= EqualsNoCase(f.path.c_str(), iconName.c_str());
        if (!there) {
            m.files.push_back({iconName, iconSource, ""});
            if (stat(iconSource.c_str(), &st) == 0)
                entries.push_back({iconName, 0, (uint64_t)st.st_size});
        }
    }
    std::string title = Unquoted(values.folderTitle);
    if (title.empty()) {
        PackageKeys keys;
        ReadKeys(script, &keys);
        title = keys.pubName;
    }
    std::string label = r->label != NULL ? r->label : VolumeLabelFrom(title.c_str());
    std::string autorun = "[autorun]\r\nopen=SETUP.EXE\r\nicon=" +
                          (iconName.empty() ? std::string("SETUP.EXE,0") : iconName) + "\r\n";
    if (!title.empty() && title.find_first_of("\r\n") == std::string::npos)
        autorun += "label=" + title + "\r\n";
    m.files.push_back({"AUTORUN.INF", "", autorun});
    entries.push_back({"AUTORUN.INF", 0, autorun.size()});
    entries.push_back({"SETUP.EXE", 0, 0});
    int nameErrors = 0;
    for (const DiscNameFault &n : DiscNameFaults(entries)) {
        if (!n.error)
            continue;
        fprintf(r->findings, "%s/%s: error: %s\n", r->medium, entries[n.index].path.c_str(),
                n.text.c_str());
        ++nameErrors;
    }
    if (nameErrors != 0)
        return "names the disc cannot hold as they are: nothing written (rename them; the image "
               "would cut or change them)";
    if (errors != 0 && !r->force)
        return "the sources have errors: nothing written (--force makes the disc all the same)";

    // The package, signed when asked.
    std::string package = std::string(run->scratch) + "/SETUP.EXE";
    PackInputs pack = {programs[0].c_str(), programs[1].c_str(), programs[2].c_str(),
                       run->stage.c_str(), script.c_str(), package.c_str(), 0};
    PackWritten written;
    if ((why = PackSetup(&pack, &written)) != NULL)
        return why;
    fprintf(r->report, "pubkit disc: SETUP.EXE packed: %llu bytes\n",
            (unsigned long long)written.size);
    if (r->cert != NULL) {
        std::string signedPackage = std::string(run->scratch) + "/SETUP.SIGNED";
        if ((why = SignFile(r->cert, r->key, r->signName, package.c_str(), signedPackage.c_str())) != NULL)
            return why;
        unlink(package.c_str());
        package = signedPackage;
        fprintf(r->report, "pubkit disc: SETUP.EXE signed\n");
    }
    m.files.push_back({"SETUP.EXE", package, ""});

    m.label = label.c_str();
    m.when = when;
    if ((why = MasterDiscImage(&m, &run->out)) != NULL)
        return why;
    if (fflush(run->out.file) != 0)
        return SystemFailure("write failed", run->out.target);
    // Read back before it replaces anything: the tree as a drive reads it.
    DiscImage image;
    if ((why = ReadDiscImage(run->out.temp, &image)) != NULL)
        return Fail("the image written does not read back: %s", why);
    for (const std::string &renamed : image.isoRenamed) {
        size_t tab = renamed.find('\t');
        fprintf(r->findings, "%s:%s: warning: readers without Joliet see it as %s\n", r->output,
                renamed.substr(tab + 1).c_str(), renamed.substr(0, tab).c_str());
    }
    if (image.size > kCd80Bytes)
        return Fail("the image is %s bytes: an 80-minute CD holds %s; nothing written",
                    std::to_string(image.size), std::to_string(kCd80Bytes));
    uint64_t files = 0, bytes = 0;
    for (const DiscImageFile &f : image.files) {
        files += !f.isDir;
        bytes += f.size;
    }
    char sha[65];
    OutputSha256(&run->out, sha);
    uint64_t size = run->out.size;
    if ((why = OutputCommit(&run->out)) != NULL)
        return why;
    fprintf(r->report, "%s: %llu bytes (%llu files of %llu bytes, volume %s), sha256 %s\n",
            r->output, (unsigned long long)size, (unsigned long long)files,
            (unsigned long long)bytes, label.c_str(), sha);
    return NULL;
}

}  // namespace

const char *MakeDisc(const DiscRequest *request)
{
    Run run;
    run.r = request;
    const char *why = Make(&run);
    if (why == NULL && OutputInterrupted())
        why = OutputInterruptedText();
    static std::string kept;
    if (why != NULL) {
        kept = why;  // the clean-up below may reuse the buffers why points into
        why = kept.c_str();
    }
    OutputDiscard(&run.out);
    if (run.scratchMade) {
        RemoveScratchTree(run.scratch);
        ScratchFolderDone(run.scratch);
    }
    return why;
}

void InstalledProgramsDir(char *out, size_t cap)
{
    out[0] = '\0';
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0)
        return;
    self[n] = '\0';
    char *slash = strrchr(self, '/');
    if (slash == NULL)
        return;
    *slash = '\0';
    std::string dir = std::string(self) + "/" + TARNWICK_PROGRAMS_FROM_BIN;
    if (IsFolder(dir))
        snprintf(out, cap, "%s", Real(dir).c_str());
}

long long ParseDiscDate(const char *text)
{
    int y, mo, d, h = 0, mi = 0, s = 0, used = 0;
    size_t n = strlen(text);
    if (n == 10) {
        if (sscanf(text, "%4d-%2d-%2d%n", &y, &mo, &d, &used) != 3 || used != 10)
            return -1;
    } else if (n == 19) {
        if (sscanf(text, "%4d-%2d-%2dT%2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) != 6 ||
            used != 19)
            return -1;
    } else {
        return -1;
    }
    for (size_t i = 0; i < n; ++i) {
        if (!(text[i] >= '0' && text[i] <= '9') && i != 4 && i != 7 && i != 10 && i != 13 && i != 16)
            return -1;
    }
    static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1980 || y > 2099 || mo < 1 || mo > 12 || d < 1 || d > kDays[mo - 1] ||
        (mo == 2 && d == 29 && y % 4 != 0) || h > 23 || mi > 59 || s > 59)
        return -1;
    struct tm t;
    memset(&t, 0, sizeof t);
    t.tm_year = y - 1900;
    t.tm_mon = mo - 1;
    t.tm_mday = d;
    t.tm_hour = h;
    t.tm_min = mi;
    t.tm_sec = s;
    return (long long)timegm(&t);
}
