// The check's entry points, CheckPath and CheckPackInputs of check.h, and
// what they read: a folder of sources as pack takes it, a finished package
// (its programs where it carries them, its PACK.BOX and trailer), and
// pack's own inputs. What they read goes to CheckBook (check_book.cpp: the
// book's rules), which judges the script as the programs read it
// (check_script), as it is saved (check_encoding) and against the setup
// medium (check_medium); every finding goes through check_findings.
#include "check.h"

#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "check_findings.h"
#include "check_medium.h"
#include "common/text.h"
#include "examine.h"
#include "output.h"
#include "programs.h"
#include "setup/payload/trailer.h"
#include "zip_writer.h"

namespace {

// A member of a folder: its name as the book stores it, its file here.
struct Listed {
    std::vector<std::string> names, paths;
};

void AddMember(void *ctx, const char *name, const char *path)
{
    ((Listed *)ctx)->names.push_back(name);
    ((Listed *)ctx)->paths.push_back(path);
}

// What EMBED.EXE's trailer says, for BookFacts.
void ReadEmbed(const ExamineSource *src, std::string *problem, std::string *document)
{
    FileLayout l;
    const char *why = ReadFileLayout(src, &l);
    if (why != NULL)
        *problem = why;
    else if (l.kind != kFileEmbed)
        *problem = "it is a packaged setup";
    else
        *document = l.embed.docOffset != 0 ? l.embed.docName : "";
}

struct Gathered {
    std::vector<std::string> members;
    std::vector<const char *> names;
    std::string script, keys, embedName, embedProblem, embedDocument, scriptName, keysName,
        installDir, packName;
    int hasScript = 0, hasEmbed = 0, keysAreScript = 1, hasKeys = 1, hasInstallDir = 0;
    int membersStop = 0;
};

void Run(Gathered &g, const char *medium, FILE *out, CheckCounts *counts)
{
    for (const std::string &m : g.members)
        g.names.push_back(m.c_str());
    BookFacts f;
    f.scriptName = g.scriptName.c_str();
    f.script = g.hasScript ? g.script.data() : NULL;
    f.scriptSize = g.script.size();
    f.keysName = g.keysAreScript ? f.scriptName : g.keysName.c_str();
    f.keys = !g.hasKeys ? NULL : g.keysAreScript ? f.script : g.keys.data();
    f.keysSize = g.keysAreScript ? f.scriptSize : g.keys.size();
    f.installDir = g.hasInstallDir ? g.installDir.c_str() : NULL;
    f.members = g.names.data();
    f.memberCount = g.names.size();
    f.embedName = g.embedName.c_str();
    f.embedProblem = g.hasEmbed && !g.embedProblem.empty() ? g.embedProblem.c_str() : NULL;
    f.embedDocument = g.hasEmbed && g.embedProblem.empty() ? g.embedDocument.c_str() : NULL;
    f.medium = medium;
    f.packName = g.packName.c_str();
    f.membersStop = g.membersStop;
    CheckBook(&f, out, counts);
}

const char *GatherFolder(const std::string &dir, FolderScan *scan, Gathered &g)
{
    Listed listed;
    const char *why = ListFolderMembers(dir.c_str(), scan, AddMember, &listed);
    if (why != NULL)
        return why;
    g.members = listed.names;
    g.scriptName = dir + "/SETUP.INI";
    g.packName = dir;
    for (size_t i = 0; i < listed.names.size(); ++i) {
        const std::string &m = listed.names[i];
        if (EqualsNoCase(m.c_str(), "SETUP.INI")) {
            g.scriptName = listed.paths[i];
            g.script = ReadSmallFile(g.scriptName, 1 << 20);
            g.hasScript = 1;
        } else if (EqualsNoCase(m.c_str(), "EMBED.EXE")) {
            ExamineSource src;
            g.hasEmbed = 1;
            g.embedName = listed.paths[i];
            if (OpenExamineFile(g.embedName.c_str(), &src) != NULL) {
                g.embedProblem = "it cannot be read";
                continue;
            }
            ReadEmbed(&src, &g.embedProblem, &g.embedDocument);
            CloseExamineFile(&src);
        }
    }
    return NULL;
}

void ViewMembers(const PackView &view, const std::string &name, Gathered &g, FILE *out,
                 CheckCounts *counts)
{
    Sink sink = {out, counts, {}};
    int stops = 0;
    for (const PackMember &m : view.members) {
        stops |= m.stops;
        if (!m.fault.empty())
            Say(&sink, 1, name, 0, "PACK.BOX member %s: %s", m.name.c_str(), m.fault.c_str());
        else
            g.members.push_back(m.name);
    }
    g.membersStop = stops;
    Flush(&sink);
    g.packName = name;
    g.scriptName = name + ":SETUP.INI";
    g.hasScript = view.hasScript;
    g.script = view.script;
    g.hasEmbed = view.hasEmbed;
    g.embedName = name + ":EMBED.EXE";
    if (view.hasEmbed) {
        ExamineSource src;
        EmbedMemberSource(&view, &src);
        ReadEmbed(&src, &g.embedProblem, &g.embedDocument);
    }
}

int IsFolder(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

std::string FolderOf(const char *path)
{
    const char *slash = strrchr(path, '/');
    return slash == NULL ? "." : slash == path ? "/" : std::string(path, (size_t)(slash - path));
}

char gReason[PATH_MAX + 200];

// A folder pack would refuse is one finding, and nothing else is known.
void Refused(const char *folder, const char *why, FILE *out, CheckCounts *counts)
{
    Sink sink = {out, counts, {}};
    Add(&sink, 1, folder, 0, std::string(why) + ": pack refuses the folder");
    Flush(&sink);
}

// The setup medium must be a folder: a mistyped one would pass every file
// the script takes from it unseen.
const char *MediumFault(const char *medium)
{
    struct stat st;
    if (medium == NULL)
        return NULL;
    if (stat(medium, &st) != 0)
        return SystemFailure("--medium names no folder", medium);
    if (!S_ISDIR(st.st_mode)) {
        snprintf(gReason, sizeof gReason, "--medium names no folder: %s is a file", medium);
        return gReason;
    }
    return NULL;
}

// The three programs of a package, each as its role needs it.
void CheckPrograms(const char *const names[3], const char *const faults[3], FILE *out,
                   CheckCounts *counts)
{
    Sink sink = {out, counts, {}};
    for (int i = 0; i < 3; ++i) {
        if (faults[i] != NULL)
            Add(&sink, 1, names[i], 0, faults[i]);
    }
    Flush(&sink);
}

}  // namespace

const char *CheckPath(const char *path, const char *medium, FILE *out, CheckCounts *counts)
{
    const char *why = MediumFault(medium);
    if (why != NULL)
        return why;
    Gathered g;
    if (IsFolder(path)) {
        why = GatherFolder(path, NULL, g);
        if (why != NULL)
            Refused(path, why, out, counts);
        else
            Run(g, medium, out, counts);
        return NULL;
    }
    ExamineSource src;
    if (OpenExamineFile(path, &src) != NULL)
        return SystemFailure("cannot read", path);
    FileLayout l;
    why = ReadFileLayout(&src, &l);
    if (why == NULL && l.kind != kFilePackage)
        why = "an embed installer, not a package: 'pubkit inspect' explains it";
    PackView view;
    std::string faults[3];
    if (why == NULL) {
        // The programs are checked where the package carries them.
        const PayloadSettings &s = l.package;
        const int64_t bounds[4] = {0, l.imageEnd, s.dunzipOffset, s.packOffset};
        const ProgramRole roles[3] = {kRoleSetup, kRoleMeter, kRoleDunzip};
        for (int i = 0; i < 3; ++i) {
            const char *fault = ProgramFault(&src, bounds[i], bounds[i + 1], roles[i]);
            if (fault != NULL)
                faults[i] = fault;
        }
        why = ReadPackBox(&src, l.package.packOffset, l.trailerAt, NULL, &view);
    }
    CloseExamineFile(&src);
    if (why != NULL) {
        snprintf(gReason, sizeof gReason, "%s", why);
        return gReason;
    }
    std::string names[3] = {std::string(path) + ":setup.exe", std::string(path) + ":METER.DLL",
                            std::string(path) + ":DUNZIP32.DLL"};
    const char *nameList[3] = {names[0].c_str(), names[1].c_str(), names[2].c_str()};
    const char *faultList[3];
    for (int i = 0; i < 3; ++i)
        faultList[i] = faults[i].empty() ? NULL : faults[i].c_str();
    CheckPrograms(nameList, faultList, out, counts);
    ViewMembers(view, path, g, out, counts);
    // The trailer carries the keys already, as setup will read them.
    g.hasKeys = 0;
    g.installDir = l.package.destDir;
    g.hasInstallDir = 1;
    std::string folder = FolderOf(path);
    Run(g, medium != NULL ? medium : folder.c_str(), out, counts);
    return NULL;
}

const char *CheckPackInputs(const PackCheckInputs *in, FILE *out, CheckCounts *counts)
{
    const char *why = MediumFault(in->medium);
    if (why != NULL)
        return why;
    std::string faults[3];
    const char *programs[3] = {in->setupImage, in->meter, in->dunzip};
    const ProgramRole roles[3] = {kRoleSetup, kRoleMeter, kRoleDunzip};
    for (int i = 0; i < 3; ++i) {
        if (programs[i] == NULL)
            continue;
        const char *fault = ProgramFileFault(programs[i], roles[i]);
        if (fault != NULL)
            faults[i] = fault;
    }
    const char *faultList[3];
    for (int i = 0; i < 3; ++i)
        faultList[i] = faults[i].empty() ? NULL : faults[i].c_str();
    CheckPrograms(programs, faultList, out, counts);

    Gathered g;
    if (IsFolder(in->pack)) {
        // The folder as pack will see it: without the output, should that
        // lie inside.
        ScanSkip skip;
        FolderScan scan = {NULL, 0, 0};
        struct stat st;
        if (in->output != NULL && stat(in->output, &st) == 0) {
            skip = {st.st_dev, st.st_ino, 0, in->output};
            scan = {&skip, 1, 0};
        }
        why = GatherFolder(in->pack, &scan, g);
        if (why != NULL) {
            Refused(in->pack, why, out, counts);
            return NULL;
        }
    } else {
        ExamineSource src;
        if (OpenExamineFile(in->pack, &src) != NULL)
            return SystemFailure("cannot read", in->pack);
        PackView view;
        why = ReadPackBox(&src, 0, src.size, NULL, &view);
        CloseExamineFile(&src);
        if (why != NULL) {
            snprintf(gReason, sizeof gReason, "%s", why);
            return gReason;
        }
        ViewMembers(view, in->pack, g, out, counts);
    }
    // The trailer's keys come from ini; when that is the script itself,
    // its lines are checked once.
    char *a = realpath(in->ini, NULL),
         *b = g.hasScript && IsFolder(in->pack) ? realpath(g.scriptName.c_str(), NULL) : NULL;
    g.keysAreScript = a != NULL && b != NULL && strcmp(a, b) == 0;
    free(a);
    free(b);
    if (!g.keysAreScript) {
        g.keysName = in->ini;
        g.keys = ReadSmallFile(in->ini, 1 << 20);
    }
    Run(g, in->medium, out, counts);
    return NULL;
}
