// inspect and check of a disc image: what a publisher reads before the
// image goes to the plant.
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "book_codepage.h"
#include "check.h"
#include "common/text.h"
#include "disc_image.h"
#include "disc_report.h"
#include "disc_names.h"
#include "examine.h"
#include "json.h"
#include "output.h"

namespace {

struct Findings {
    std::vector<CheckFinding> list;
    CheckCounts counts;
};

void Say(Findings *f, int error, const std::string &file, const std::string &text)
{
    f->list.push_back({file, 0, error, text});
    ++(error ? f->counts.errors : f->counts.warnings);
}

const DiscImageFile *Find(const DiscImage &image, const std::string &path)
{
    for (const DiscImageFile &f : image.files) {
        if (!f.isDir && EqualsNoCase(f.path.c_str(), path.c_str()))
            return &f;
    }
    return NULL;
}

std::string ReadBytes(const char *imagePath, const DiscImageFile &f, size_t limit)
{
    std::string text;
    FILE *in = fopen(imagePath, "rb");
    if (in == NULL)
        return text;
    text.resize((size_t)std::min<uint64_t>(f.size, limit));
    if (fseeko(in, (off_t)f.offset, SEEK_SET) != 0 || fread(&text[0], 1, text.size(), in) != text.size())
        text.clear();
    fclose(in);
    return text;
}

// A value of AUTORUN.INF's [autorun] section, as the shell reads it.
std::string AutorunValue(const std::string &text, const char *key)
{
    std::string section, value;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (!line.empty() && line[0] == '[') {
            section = line;
            continue;
        }
        size_t eq = line.find('=');
        if (eq != std::string::npos && EqualsNoCase(section.c_str(), "[autorun]") &&
            EqualsNoCase(line.substr(0, eq).c_str(), key))
            value = line.substr(eq + 1);
    }
    return value;
}

// What the image itself holds: the names, its size, SETUP.EXE and
// AUTORUN.INF at its root.
void ImageFindings(const char *path, const DiscImage &image, Findings *f)
{
    std::vector<DiscEntry> entries;
    for (const DiscImageFile &file : image.files)
        entries.push_back({file.path, file.isDir, file.size});
    for (const DiscNameFault &n : DiscNameFaults(entries)) {
        if (n.error)
            Say(f, 1, std::string(path) + ":" + entries[n.index].path, n.text);
    }
    for (const std::string &renamed : image.isoRenamed) {
        size_t tab = renamed.find('\t');
        Say(f, 0, std::string(path) + ":" + renamed.substr(tab + 1),
            "readers without Joliet see it as " + renamed.substr(0, tab));
    }
    if (!image.joliet)
        Say(f, 0, path, "no Joliet names: Windows reads the ISO 9660 names, in capitals");
    if (image.size > kCd80Bytes)
        Say(f, 1, path, "the image is " + std::to_string(image.size) + " bytes: an 80-minute CD "
                        "holds " + std::to_string(kCd80Bytes));
    else if (image.size > kCd74Bytes)
        Say(f, 0, path, "the image is " + std::to_string(image.size) + " bytes: only an "
                        "80-minute CD holds it, not a 74-minute one");
    if (Find(image, "SETUP.EXE") == NULL)
        Say(f, 1, path, "no SETUP.EXE at the root: there is nothing to install");
    const DiscImageFile *autorun = Find(image, "AUTORUN.INF");
    if (autorun == NULL) {
        Say(f, 0, path, "no AUTORUN.INF: the disc does not start SETUP.EXE when it is put in");
        return;
    }
    std::string text = ReadBytes(path, *autorun, 1 << 16);
    std::string where = std::string(path) + ":" + autorun->path;
    std::string open = AutorunValue(text, "open"), icon = AutorunValue(text, "icon");
    std::string program = open.substr(0, open.find(' '));
    if (open.empty())
        Say(f, 1, where, "no open= in its [autorun] section: nothing starts");
    else if (Find(image, program.c_str()[0] == '\\' ? program.substr(1) : program) == NULL)
        Say(f, 1, where, "open=" + open + " names no file of the image");
    std::string iconFile = icon.substr(0, icon.find(','));
    if (!iconFile.empty() && Find(image, iconFile[0] == '\\' ? iconFile.substr(1) : iconFile) == NULL)
        Say(f, 0, where, "icon=" + icon + " names no file of the image: the drive shows no icon");
}


// The package check on the image's SETUP.EXE with the image as its medium:
// the files are laid out in a scratch folder and the findings named after
// the image. Returns NULL, or why it could not be checked.
const char *PackageFindings(const char *path, const DiscImage &image, Findings *f)
{
    if (Find(image, "SETUP.EXE") == NULL)
        return NULL;
    const char *tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp != NULL && tmp[0] ? tmp : "/tmp") + "/pubkit-disc-XXXXXX";
    std::vector<char> dir(pattern.begin(), pattern.end());
    dir.push_back('\0');
    if (mkdtemp(dir.data()) == NULL)
        return SystemFailure("cannot make a scratch folder", pattern.c_str());
    int slot = TakeBackOnInterrupt(dir.data(), 1);
    std::string scratch = dir.data();
    const char *why = ExtractDiscImage(path, image, scratch.c_str());
    std::vector<CheckFinding> found;
    CheckCounts counts = {0, 0, 0, 0, &found};
    std::string setup = scratch + "/" + Find(image, "SETUP.EXE")->path;
    if (why == NULL)
        why = CheckPath(setup.c_str(), scratch.c_str(), NULL, &counts);
    static std::string kept;
    if (why != NULL) {
        kept = why;
        size_t at;
        while ((at = kept.find(scratch + "/")) != std::string::npos)
            kept.replace(at, scratch.size() + 1, std::string(path) + ":");
        why = kept.c_str();
    }
    RemoveScratchTree(scratch.c_str());
    ReleaseTakeBack(slot);
    if (why != NULL)
        return why;
    for (CheckFinding c : found) {
        if (c.file.compare(0, scratch.size() + 1, scratch + "/") == 0)
            c.file = std::string(path) + ":" + c.file.substr(scratch.size() + 1);
        f->list.push_back(c);
    }
    f->counts.errors += counts.errors;
    f->counts.warnings += counts.warnings;
    f->counts.scriptLines = counts.scriptLines;
    f->counts.keyLines = counts.keyLines;
    return NULL;
}

void PrintFindings(FILE *out, const Findings &f, const char *indent)
{
    for (const CheckFinding &c : f.list) {
        if (c.line > 0)
            fprintf(out, "%s%s:%d: %s: %s\n", indent, c.file.c_str(), c.line,
                    c.error ? "error" : "warning", c.text.c_str());
        else
            fprintf(out, "%s%s: %s: %s\n", indent, c.file.c_str(), c.error ? "error" : "warning",
                    c.text.c_str());
    }
}

void PrintSummary(FILE *out, const char *indent, const char *what, const CheckCounts &c)
{
    fprintf(out, "%s%s: %d error%s, %d warning%s", indent, what, c.errors, c.errors == 1 ? "" : "s",
            c.warnings, c.warnings == 1 ? "" : "s");
    if (c.scriptLines != 0)
        fprintf(out, "; SETUP.INI: %d line%s, %d read as keys", c.scriptLines,
                c.scriptLines == 1 ? "" : "s", c.keyLines);
    fputc('\n', out);
}

const char *CheckAll(const char *path, DiscImage *image, Findings *f)
{
    f->counts = {0, 0, 0, 0, NULL};
    const char *why = ReadDiscImage(path, image);
    if (why != NULL)
        return why;
    ImageFindings(path, *image, f);
    return PackageFindings(path, *image, f);
}

}  // namespace

int CheckDiscImage(const char *path, FILE *out, int json)
{
    DiscImage image;
    Findings f;
    const char *why = CheckAll(path, &image, &f);
    if (json) {
        CheckJson(out, path, why, &f.counts, f.list);
        return why != NULL || f.counts.errors != 0;
    }
    if (why != NULL) {
        fprintf(stderr, "pubkit check: %s: %s\n", path, why);
        return 1;
    }
    PrintFindings(out, f, "");
    PrintSummary(out, "", path, f.counts);
    return f.counts.errors != 0;
}

int InspectDiscImage(const char *path, FILE *out, int json)
{
    DiscImage image;
    const char *why = ReadDiscImage(path, &image);
    if (why != NULL) {
        fprintf(stderr, "pubkit inspect: %s: %s\n", path, why);
        return 1;
    }
    const DiscImageFile *setup = Find(image, "SETUP.EXE");
    const DiscImageFile *autorun = Find(image, "AUTORUN.INF");
    Findings f;
    f.counts = {0, 0, 0, 0, NULL};
    ImageFindings(path, image, &f);
    const char *unchecked = PackageFindings(path, image, &f);
    const char *damage = NULL;
    if (json) {
        fputs("{\"path\": ", out);
        JsonText(out, path);
        fputs(", \"kind\": \"disc image\", \"label\": ", out);
        JsonText(out, image.label.c_str());
        fprintf(out, ", \"joliet\": %s, \"size\": %llu, \"files\": [", image.joliet ? "true" : "false",
                (unsigned long long)image.size);
        for (size_t i = 0; i < image.files.size(); ++i) {
            fputs(i == 0 ? "\n  {\"path\": " : ",\n  {\"path\": ", out);
            JsonText(out, image.files[i].path.c_str());
            fprintf(out, ", \"folder\": %s, \"size\": %llu}", image.files[i].isDir ? "true" : "false",
                    (unsigned long long)image.files[i].size);
        }
        fputs("],\n\"autorun\": ", out);
        if (autorun != NULL) {
            std::string text = ReadBytes(path, *autorun, 1 << 16);
            JsonString(out, text.data(), text.size());
        } else {
            fputs("null", out);
        }
        fputs(",\n\"setup\": ", out);
        if (setup != NULL) {
            ExamineSource src;
            damage = OpenDiscImageFile(path, *setup, &src);
            if (damage == NULL) {
                damage = ExaminePackageJson(&src, (std::string(path) + ":" + setup->path).c_str(),
                                            out);
                CloseDiscImageFile(&src);
            } else {
                fputs("null\n", out);
            }
        } else {
            fputs("null\n", out);
        }
        fputs(",\n\"check\": ", out);
        CheckJson(out, path, unchecked, &f.counts, f.list);
        fputs("}\n", out);
        return damage != NULL || setup == NULL;
    }
    fprintf(out, "%s: an ISO 9660 image%s, volume label \"%s\", %llu bytes (%llu sectors of 2048)\n",
            path, image.joliet ? " with Joliet names" : " without Joliet names", image.label.c_str(),
            (unsigned long long)image.size, (unsigned long long)(image.size / 2048));
    uint64_t total = 0;
    size_t count = 0;
    fprintf(out, "files:\n");
    for (const DiscImageFile &file : image.files) {
        if (file.isDir) {
            fprintf(out, "  %-40s  folder\n", (file.path + "/").c_str());
        } else {
            fprintf(out, "  %-40s  %12llu bytes at %llu\n", file.path.c_str(),
                    (unsigned long long)file.size, (unsigned long long)file.offset);
            total += file.size;
            ++count;
        }
    }
    fprintf(out, "  %zu file%s, %llu bytes; the image adds %llu bytes of its own\n", count,
            count == 1 ? "" : "s", (unsigned long long)total,
            (unsigned long long)(image.size - std::min(image.size, total)));
    if (autorun != NULL) {
        fprintf(out, "%s:\n", autorun->path.c_str());
        std::string text = ReadBytes(path, *autorun, 1 << 16);
        size_t at = 0;
        while (at < text.size()) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos)
                end = text.size();
            std::string line = text.substr(at, end - at);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            fprintf(out, "  %s\n", line.c_str());
            at = end + 1;
        }
    }
    if (setup != NULL) {
        fprintf(out, "%s:\n", setup->path.c_str());
        ExamineSource src;
        // The package's own report, indented under the image's.
        char *text = NULL;
        size_t size = 0;
        FILE *mem = NULL;
        damage = OpenDiscImageFile(path, *setup, &src);
        if (damage == NULL) {
            mem = open_memstream(&text, &size);
            damage = mem != NULL ? ExaminePackage(&src, mem) : "out of memory";
            if (mem != NULL)
                fclose(mem);
            CloseDiscImageFile(&src);
        }
        for (char *line = text, *next; line != NULL && *line; line = next) {
            next = strchr(line, '\n');
            if (next != NULL)
                *next++ = '\0';
            // The package's report is its own text, in the book's code page.
            fprintf(out, "  %s\n", ShownText(line).c_str());
        }
        free(text);
        if (damage != NULL)
            fprintf(out, "  damaged: %s\n", ShownText(damage).c_str());
    }
    fprintf(out, "check:\n");
    if (unchecked != NULL)
        fprintf(out, "  the package could not be checked: %s\n", unchecked);
    PrintFindings(out, f, "  ");
    PrintSummary(out, "  ", path, f.counts);
    if (damage != NULL)
        fprintf(stderr, "pubkit inspect: %s:%s: %s\n", path, setup->path.c_str(),
                ShownText(damage).c_str());
    return damage != NULL;
}
