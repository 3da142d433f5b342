// The book's rules: SETUP.INI's lines run as setup runs them, against the
// files PACK.BOX carries, the keys the trailer is made from and the setup
// medium; CheckBook of check.h.
#include "check.h"

#include <ctype.h>
#include <string.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "book_codepage.h"
#include "check_encoding.h"
#include "check_findings.h"
#include "check_medium.h"
#include "check_script.h"
#include "common/text.h"
#include "setup/install/program_items.h"
#include "setup/install/script_values.h"
#include "setup/install/uninstall_list.h"
#include "setup/install/viewer_names.h"
#include "setup/payload/package_keys.h"
#include "setup/payload/trailer.h"
#include "zip_layout.h"

namespace {

// The programs' path buffers: 255 characters and the terminator.
const size_t kPathRoom = 256;
// The drive letter the checks build medium paths with; any letter gives
// paths of the same length.
const char kDrive = 'D';

struct Setting {
    std::string value;
    int line = 0;  // 0: absent
};

struct Book {
    const BookFacts *facts;
    Sink *sink;
    std::set<std::string> files, dirs;  // Key(PathKey) of the installation folder's
    std::map<std::string, Setting> settings;  // by key as the table writes it
    std::string installDir;
};

int HasFile(const Book &b, const std::string &path)
{
    return b.files.count(Key(PathKey(path))) != 0;
}

int HasDir(const Book &b, const std::string &dirKey)
{
    return dirKey.empty() || b.dirs.count(Key(dirKey)) != 0;
}

const Setting &Value(const Book &b, const char *key)
{
    static const Setting none;
    auto it = b.settings.find(key);
    return it != b.settings.end() ? it->second : none;
}

// The part of a built path behind the installation folder.
std::string InsideInstallDir(const Book &b, const char *path)
{
    size_t n = b.installDir.size();
    return strlen(path) >= n ? std::string(path + n) : std::string(path);
}

void FileOperation(Book &b, ScriptFileOp op, const char *value, int line)
{
    Sink *s = b.sink;
    const std::string &name = b.facts->scriptName;
    const char *key = op == kScriptCopyDir ? "COPYDIR=" : op == kScriptMakeDir ? "MAKEDIR="
                      : op == kScriptCopyFile ? "COPYFILE=" : "MOVEFILE=";
    if (op == kScriptCopyDir || op == kScriptMakeDir) {
        if (value[0] != '\\') {
            Say(s, 1, name, line, "%s%s: setup puts the value right behind the installation "
                                  "folder's path, making %s%s (begin it with \\)",
                key, value, b.installDir.c_str(), value);
            return;
        }
        if (b.installDir.size() + strlen(value) >= kPathRoom) {
            Say(s, 1, name, line, "%s%s: the folder's path is longer than 255 characters: "
                                  "setup skips the line", key, value);
            return;
        }
        std::string dir = PathKey(value);
        if (!HasDir(b, ParentKey(dir)))
            Say(s, 1, name, line, "%s%s: its parent folder is not there yet (setup makes one "
                                  "folder, not the ones on the way)", key, value);
        else
            b.dirs.insert(Key(dir));
        return;
    }
    char source[kPathRoom], target[kPathRoom];
    if (strlen(value) > kScriptFileValueMax) {
        Say(s, 1, name, line, "%s value is %zu characters: setup skips values over %d", key,
            strlen(value), kScriptFileValueMax);
        return;
    }
    int fits = op == kScriptCopyFile
                   ? CopyFilePaths(kDrive, b.installDir.c_str(), value, source, target, sizeof source)
                   : MoveFilePaths(b.installDir.c_str(), value, source, target, sizeof source);
    if (!fits) {
        Say(s, 1, name, line, "%s%s: a path made from it is longer than 255 characters: setup "
                              "skips the line", key, value);
        return;
    }
    std::string to = PathKey(InsideInstallDir(b, target));
    if (op == kScriptCopyFile) {
        if (value[0] != '\\') {
            Say(s, 1, name, line, "COPYFILE=%s: not a path on the setup medium (it must begin "
                                  "with \\, from the medium's root)", value);
            return;
        }
        if (b.facts->medium != NULL && OnMedium(b.facts->medium, value).empty())
            Say(s, 1, name, line, "COPYFILE=%s: the setup medium (%s) has no such file", value,
                BookTextOf(b.facts->medium).c_str());
    } else {
        std::string from = PathKey(InsideInstallDir(b, source));
        if (Key(from) == Key(to))
            return;  // already where the value names: setup leaves it
        if (b.files.count(Key(from)) == 0) {
            const char *doc = b.facts->embedDocument;
            Say(s, 1, name, line, "MOVEFILE=%s: %s is not in the installation folder when this "
                                  "line runs%s", value, from.c_str(),
                doc != NULL && Key(PathKey(doc)) == Key(from)
                    ? " (EMBED.EXE writes it later, after the script is read)" : "");
            return;
        }
        b.files.erase(Key(from));
    }
    if (!HasDir(b, ParentKey(to))) {
        Say(s, 1, name, line, "%s%s: the folder %s is not made before this line (MAKEDIR=\\%s "
                              "on an earlier line)", key, value, ParentKey(to).c_str(),
            ParentKey(to).c_str());
        return;
    }
    b.files.insert(Key(to));
}

void ReadScript(Book &b)
{
    const BookFacts *f = b.facts;
    Sink *s = b.sink;
    const std::string &name = f->scriptName;
    ScriptValues values;
    memset(&values, 0, sizeof values);
    int reported = 0;
    std::set<int> keyed;  // the lines some key was read from
    std::vector<Piece> pieces = Pieces(f->script, f->scriptSize);
    for (const Piece &p : pieces) {
        const char *line = p.text.c_str();
        // FILE= lines are the publisher's list: no program reads them.
        ScriptSetting any;
        ScriptValues scratch;
        const char *ignored, *known = KnownKeyOf(line);
        if ((known != NULL && strcmp(known, kListKey) != 0) || ScriptLineSetting(line, &any) ||
            ReadScriptLine(line, &scratch, &ignored) != kScriptNoOp)
            keyed.insert(p.line);
        if (p.lineLength > kScriptLineSize - 1 && reported != p.line) {
            reported = p.line;
            const char *key = KnownKeyOf(line);
            Say(s, 1, name, p.line, "the line is %zu characters long; the programs read 255 at a "
                                    "time, so %s%s is cut and the rest read as a line of its own",
                p.lineLength, key != NULL ? key : "it", key != NULL ? "'s value" : "");
        }
        const char *opValue = NULL;
        ScriptFileOp op = ReadScriptLine(line, &values, &opValue);
        if (op != kScriptNoOp) {
            FileOperation(b, op, opValue, p.line);
            continue;
        }
        ScriptSetting setting;
        if (ScriptLineSetting(line, &setting)) {
            Setting &kept = b.settings[setting.key];
            if (kept.line != 0 && !p.rest)
                Say(s, 0, name, p.line, "%s again (first on line %d): this later value counts",
                    setting.key, kept.line);
            kept.value = setting.value;
            kept.line = p.line;
            size_t length = strlen(setting.value);
            if (length >= setting.fieldSize && p.lineLength <= kScriptLineSize - 1)
                Say(s, 1, name, p.line, "%s value is %zu characters: the programs keep its first "
                                        "%zu", setting.key, length, setting.fieldSize - 1);
            // A key read without its equals sign takes whatever follows it.
            size_t k = strlen(setting.key);
            if (setting.key[k - 1] != '=' && line[k] != '\0' && line[k] != '=')
                Say(s, 0, name, p.line, "%s is read without its equals sign: this line sets it "
                                        "to \"%s\"", setting.key, setting.value);
            continue;
        }
        const char *key = KnownKeyOf(line);
        if (key != NULL) {
            b.settings[key] = {MatchScriptKey(line, key), p.line};
            continue;
        }
        size_t first = p.text.find_first_not_of(" \t");
        if (p.rest || first == std::string::npos || p.text[first] == '[' || p.text[first] == ';' ||
            p.text.find('=') == std::string::npos)
            continue;
        Say(s, 0, name, p.line, "%.*s is no key the programs read: the line is ignored%s",
            (int)(p.text.find('=') + 1), line, Suggestion(p.text).c_str());
    }
    s->counts->scriptLines = pieces.empty() ? 0 : pieces.back().line;
    s->counts->keyLines = (int)keyed.size();
}

// A name as the group and link steps take it from its quoted value.
std::string TitleOf(Book &b, const char *key, const char *what)
{
    const Setting &v = Value(b, key);
    char name[kPathRoom];
    QuotedValueName(v.value.c_str(), name, sizeof name);
    if (v.line != 0 && !v.value.empty() && !IsQuotedValue(v.value.c_str()))
        Say(b.sink, 0, b.facts->scriptName, v.line, "%s%s is not in double quotes: setup drops "
                                                    "its first and last characters, naming the %s \"%s\"",
            key, v.value.c_str(), what, name);
    return name;
}

void CheckGroup(Book &b)
{
    Sink *s = b.sink;
    const std::string &name = b.facts->scriptName;
    const Setting &main = Value(b, "MAINFILE=");
    std::string group = TitleOf(b, "Foldertitle=", "group");
    int folderLine = Value(b, "Foldertitle=").line;
    if (!IsPlainGroupName(group.c_str())) {
        Say(s, 1, name, folderLine, "the group name \"%s\" is not one plain folder name: setup "
                                    "refuses it and makes no program group", group.c_str());
    } else {
        char command[kShowGroupCommandSize];
        if (!ShowGroupCommand(group.c_str(), command, sizeof command))
            Say(s, 0, name, folderLine, "the group name is %zu characters: Program Manager's "
                                        "ShowGroup takes %d, so the group is not shown",
                group.size(), kShowGroupNameSize - 1);
    }
    // The main item's link is made under its title, inside the group.
    std::string title = TitleOf(b, "IconTitle=", "main item");
    if (!IsPlainGroupName(title.c_str()))
        Say(s, 1, name, Value(b, "IconTitle=").line, "the main item's title \"%s\" is not one "
                                                    "plain file name: setup makes no link to it",
            title.c_str());

    const char *mainFile = main.value.c_str();
    const char *romResident = Value(b, "ROMRESIDENT=").value.c_str();
    char target[kPathRoom];
    if (!MainTargetOf(kDrive, b.installDir.c_str(), mainFile, romResident, target, sizeof target)) {
        target[0] = '\0';
        Say(s, 1, name, main.line, "the main item's target is longer than 255 characters: setup "
                                   "makes no link to it");
    } else if (ValueSaysYes(romResident)) {
        if (b.facts->medium != NULL && OnMedium(b.facts->medium, "\\tklaunch.exe").empty())
            Say(s, 1, name, Value(b, "ROMRESIDENT=").line, "ROMRESIDENT=YES starts tklaunch.exe "
                                                           "from the setup medium, which has none");
    } else if (mainFile[0] == '\\') {
        if (b.facts->medium != NULL && OnMedium(b.facts->medium, mainFile).empty())
            Say(s, 1, name, main.line, "MAINFILE=%s: the setup medium (%s) has no such file",
                mainFile, BookTextOf(b.facts->medium).c_str());
    } else if (!HasFile(b, mainFile)) {
        const char *doc = b.facts->embedDocument;
        Say(s, 1, name, main.line, "MAINFILE=%s: not in the installation folder: PACK.BOX does "
                                   "not carry it and EMBED.EXE does not write it%s%s%s",
            mainFile, doc != NULL && doc[0] ? " (EMBED.EXE writes " : "", doc != NULL ? doc : "",
            doc != NULL && doc[0] ? ")" : "");
    }
    const Setting &icon = Value(b, "ICONFILE=");
    char iconPath[kPathRoom];
    if (!InstallPathOf(b.installDir.c_str(), icon.value.c_str(), iconPath, sizeof iconPath))
        Say(s, 1, name, icon.line, "ICONFILE=%s: the icon's path is longer than 255 characters: "
                                   "setup makes no link to the main item", icon.value.c_str());
    else if (TakesIconLocation(target) && icon.value.empty())
        Say(s, 0, name, icon.line, "no ICONFILE=: the main item's icon names the installation "
                                   "folder itself");
    else if (TakesIconLocation(target) && !HasFile(b, icon.value))
        Say(s, 1, name, icon.line, "ICONFILE=%s: PACK.BOX does not carry it", icon.value.c_str());
    if (!HasFile(b, "README.TXT"))
        Say(s, 1, name, 0, "the group's Readme link opens README.TXT, which PACK.BOX does not carry");
    if (!HasFile(b, "UNINSTAL.ICO"))
        Say(s, 0, name, 0, "the Uninstall link's icon UNINSTAL.ICO is not in PACK.BOX");
}

void CheckSteps(Book &b)
{
    Sink *s = b.sink;
    const std::string &name = b.facts->scriptName;
    for (const char *key : {"PLUGIN1=", "PLUGIN2="}) {
        const Setting &v = Value(b, key);
        if (v.value.empty())
            continue;
        if (b.installDir.size() + 1 + v.value.size() >= kPathRoom)
            Say(s, 1, name, v.line, "%s%s: the plug-in's path is longer than 255 characters",
                key, v.value.c_str());
        else if (!HasFile(b, v.value))
            Say(s, 1, name, v.line, "%s%s: not in the installation folder (PACK.BOX does not "
                                    "carry it), so no plug-in is moved", key, v.value.c_str());
    }
    const Setting &installer = Value(b, "Installer=");
    if (!installer.value.empty()) {
        const char *value = installer.value.c_str();
        char cmdLine[kPathRoom], file[kPathRoom];
        size_t programLength = strcspn(value, " ");
        std::string program(value, programLength);
        int bundled = IsBundledInstaller(value);
        if (bundled && !IsPlainName(value, programLength))
            Say(s, 1, name, installer.line, "Installer=%s: %s is no plain file name of the "
                                            "installation folder: setup does not start it",
                value, program.c_str());
        else if (!InstallerCommandLine(value, b.installDir.c_str(), kDrive, cmdLine,
                                       sizeof cmdLine, file, sizeof file))
            Say(s, 1, name, installer.line, "Installer=%s: its command line is longer than 255 "
                                            "characters: setup does not start it", value);
        else if (bundled && !HasFile(b, program))
            Say(s, 1, name, installer.line, "Installer=%s: PACK.BOX does not carry %s", value,
                program.c_str());
        else if (!bundled && value[0] != '\\')
            Say(s, 1, name, installer.line, "Installer=%s: not on the setup medium (a path there "
                                            "begins with \\) nor Acro4Gig.exe from PACK.BOX",
                value);
        else if (!bundled && b.facts->medium != NULL && OnMedium(b.facts->medium, program).empty())
            Say(s, 1, name, installer.line, "Installer=%s: the setup medium (%s) has no such file",
                value, BookTextOf(b.facts->medium).c_str());
    }
    if (!Value(b, "MAINFILE=").value.empty())
        CheckGroup(b);
    for (const char *key : {"UFILE=", "ICONFILE="}) {
        const Setting &v = Value(b, key);
        if (!v.value.empty() && !IsPlainFileName(v.value.c_str()))
            Say(s, 0, name, v.line, "%s%s: the uninstaller removes only plain file names, so it "
                                    "stays behind", key, v.value.c_str());
    }
}

// DEFAULTDIR=, PUBNAME=, R1= and R2= as the builder puts them into the
// trailer and setup reads them back.
void CheckKeys(Book &b)
{
    const BookFacts *f = b.facts;
    Sink *s = b.sink;
    const std::string name = f->keysName;
    Setting keys[4];
    for (const Piece &p : Pieces(f->keys, f->keysSize)) {
        for (int i = 0; i < 4; ++i) {
            const char *value = MatchScriptKey(p.text.c_str(), PackageKeyName((size_t)i));
            if (value != NULL)
                keys[i] = {value, p.line};
        }
    }
    const Setting &dir = keys[0], &pub = keys[1], &r1 = keys[2], &r2 = keys[3];
    unsigned char record[kTrailerSize];
    EncodePayloadTrailer(record, dir.value.c_str(), pub.value.c_str(), 0, 0, r1.value.c_str(),
                         r2.value.c_str());
    PayloadSettings got;
    memset(&got, 0, sizeof got);
    got.copyBarShade = got.expandBarShade = -1;
    DecodePayloadTrailer(record, &got);
    if (dir.line == 0)
        Say(s, 0, name, 0, "no DEFAULTDIR=: the destination dialog offers no folder");
    else if (strlen(got.destDir) < dir.value.size())
        Say(s, 1, name, dir.line, "DEFAULTDIR= value is %zu characters: the trailer keeps %zu",
            dir.value.size(), strlen(got.destDir));
    else if (!(isalpha((unsigned char)got.destDir[0]) && got.destDir[1] == ':' &&
               got.destDir[2] == '\\'))
        Say(s, 0, name, dir.line, "DEFAULTDIR=%s is not a full path (drive letter, colon, "
                                  "backslash)", got.destDir);
    if (pub.line != 0 && strlen(got.pubName) < pub.value.size())
        Say(s, 1, name, pub.line, "PUBNAME= value is %zu characters: the trailer keeps %zu",
            pub.value.size(), strlen(got.pubName));
    const struct {
        const Setting &v;
        const char *key;
        int32_t *rgb;
        size_t room;
    } colours[] = {{r1, "R1=", got.dialogRgb, kTrailerR1Size - 1},
                   {r2, "R2=", got.backdropRgb, kTrailerR2Size - 1}};
    for (const auto &c : colours) {
        if (c.v.line == 0)
            continue;
        if (c.v.value.size() > c.room) {
            Say(s, 1, name, c.v.line, "%s value is %zu characters: the trailer keeps %zu", c.key,
                c.v.value.size(), c.room);
            continue;
        }
        char threeDigits[16];
        snprintf(threeDigits, sizeof threeDigits, "%03d,%03d,%03d", c.rgb[0], c.rgb[1], c.rgb[2]);
        if (strncmp(c.v.value.c_str(), threeDigits, 11) != 0)
            Say(s, 0, name, c.v.line, "%s%s is read at fixed places, three digits a colour: it "
                                      "gives %d,%d,%d", c.key, c.v.value.c_str(), c.rgb[0],
                c.rgb[1], c.rgb[2]);
    }
    if (r1.line != 0 && (got.copyBarShade < 0 || got.expandBarShade < 0))
        Say(s, 0, name, r1.line, "R1=%s: the %s bar's shade (its %s place) is no digit 0-5, so "
                                 "setup keeps white", r1.value.c_str(),
            got.copyBarShade < 0 ? "copy" : "expansion", got.copyBarShade < 0 ? "15th" : "17th");
    if (f->installDir == NULL)
        b.installDir = got.destDir;
}

}  // namespace

void CheckBook(const BookFacts *f, FILE *out, CheckCounts *counts)
{
    Sink sink = {out, counts, {}};
    Book b;
    b.facts = f;
    b.sink = &sink;
    for (size_t i = 0; i < f->memberCount; ++i) {
        std::string key = PathKey(f->members[i]);
        b.files.insert(Key(key));
        for (std::string dir = ParentKey(key); !dir.empty(); dir = ParentKey(dir))
            b.dirs.insert(Key(dir));
    }
    if (f->installDir != NULL)
        b.installDir = f->installDir;
    if (f->script != NULL)
        CheckEncoding(&sink, f->scriptName, f->script, f->scriptSize);
    if (f->keys != NULL && f->keys != f->script)
        CheckEncoding(&sink, f->keysName, f->keys, f->keysSize);
    if (f->keys != NULL)
        CheckKeys(b);
    if (b.installDir.empty())
        b.installDir = "C:\\BOOK";  // a folder of a usual length stands in
    if (f->script == NULL)
        Say(&sink, 1, f->scriptName, 0, "PACK.BOX carries no SETUP.INI: the installation ends "
                                        "after the licence");
    else
        ReadScript(b);
    if (f->embedProblem != NULL)
        Say(&sink, 1, f->embedName, 0, "no embed installer (%s): started by setup, it delivers "
                                       "nothing", f->embedProblem);
    else if (f->embedDocument == NULL)
        Say(&sink, 1, f->scriptName, 0, "PACK.BOX carries no EMBED.EXE: setup cannot start it and "
                                        "ends with \"Installation Not Complete.\"");
    if (f->embedDocument != NULL && f->embedDocument[0] != '\0')
        b.files.insert(Key(PathKey(f->embedDocument)));
    if (f->script != NULL)
        CheckSteps(b);
    if (!HasFile(b, "LICENSE.TXT"))
        Say(&sink, 1, f->scriptName, 0, "PACK.BOX carries no LICENSE.TXT: no licence is shown");
    if (f->medium != NULL)
        CheckMedium(&sink, f->medium);
    // What the unzip library cannot write under the installation folder.
    std::vector<std::string> paths(f->members, f->members + f->memberCount);
    int unwritten = 0;
    for (const NameFault &n : WindowsNameFaults(paths, b.installDir.c_str())) {
        Say(&sink, 1, f->packName != NULL ? f->packName : f->scriptName, 0,
            "PACK.BOX member %s: %s", paths[n.index].c_str(), n.text.c_str());
        unwritten |= n.unwritten;
    }
    if (unwritten || f->membersStop)
        Say(&sink, 1, f->packName != NULL ? f->packName : f->scriptName, 0,
            "with these members DUNZIP32.DLL fails the expansion of PACK.BOX: setup stops with "
            "alert 1008");
    Flush(&sink);
}
