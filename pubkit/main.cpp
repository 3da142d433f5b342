// pubkit: the publisher's toolkit. Builds packaged setups, reproducible
// PACK.BOX archives and embed installers on any machine, byte for byte as
// the Windows builders make them; explains finished packages, takes them
// apart again, and checks a book's sources before they are burnt.
#include <fcntl.h>
#include <stdio.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <errno.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "book_codepage.h"
#include "check.h"
#include "disc.h"
#include "disc_image.h"
#include "disc_report.h"
#include "examine.h"
#include "json.h"
#include "output.h"
#include "package.h"
#include "sign.h"
#include "unpack.h"
#include "zip_writer.h"

namespace {

const char kUsage[] =
    "usage: pubkit COMMAND [OPTIONS]\n"
    "  pack     a packaged SETUP.EXE from setup.exe, METER.DLL, DUNZIP32.DLL,\n"
    "           a PACK.BOX or a folder, and SETUP.INI\n"
    "  zip      a reproducible PACK.BOX from a folder\n"
    "  embed    embed installers from embed.exe, tkbuild.txt, tarnw32.api and a document\n"
    "  inspect  explain a packaged setup or an embed installer; exit 1 when damaged\n"
    "  unpack   take a packaged setup or an embed installer apart into its inputs\n"
    "  check    check a book's sources or a package for what setup would refuse\n"
    "  sign     sign a package or installer (Authenticode, through osslsigncode)\n"
    "  disc     a CD-ROM image from a book's sources: embed, check, pack, sign, master\n"
    "pubkit COMMAND --help tells more; pubkit --version gives the version.\n"
    "All but sign take --codepage N: the ANSI code page of the Windows the book\n"
    "is for (932 Japanese, 936 and 950 Chinese, 949 Korean, 1252 Western...).\n"
    "Names of files are written in it, and read back from it in UTF-8; without\n"
    "it a name outside ASCII is refused.\n";

const char kPackHelp[] =
    "usage: pubkit pack --setup SETUP.EXE --meter METER.DLL --dunzip DUNZIP32.DLL\n"
    "                   --pack PACK.BOX|FOLDER --ini SETUP.INI -o OUTPUT\n"
    "                   [--medium FOLDER] [--force] [--codepage N]\n"
    "Appends METER.DLL, DUNZIP32.DLL and PACK.BOX to a copy of the bare setup\n"
    "program and writes the settings trailer from SETUP.INI's DEFAULTDIR=,\n"
    "PUBNAME=, R1= and R2=: the same bytes as the bare setup's own builder.\n"
    "A folder given as --pack is zipped first, as 'pubkit zip' does, its names\n"
    "(UTF-8) written in code page N; a name outside ASCII needs --codepage.\n"
    "The inputs are checked first as 'pubkit check' does, the three programs\n"
    "for what they must be too; errors stop the packing unless --force is given.\n"
    "The output is written whole or not at all (an earlier one stays as it was\n"
    "when this run fails); one that is an input is refused; inside the --pack\n"
    "folder it is left out of PACK.BOX. Ends with the output's size and sha256.\n";

const char kZipHelp[] =
    "usage: pubkit zip FOLDER -o PACK.BOX [--codepage N]\n"
    "Every file under FOLDER, sorted by path, with fixed times and attributes,\n"
    "deflated (or stored when that is smaller): the same folder always gives\n"
    "the same bytes. Names Windows cannot take are refused. The names (UTF-8)\n"
    "are stored in code page N, the ANSI code page of the Windows the book is\n"
    "for (874, 932, 936, 949, 950, 1250-1258); a name outside ASCII needs it,\n"
    "one that code page lacks is refused. The output is written whole or not\n"
    "at all; inside FOLDER it is left out of the archive.\n";

const char kEmbedHelp[] =
    "usage: pubkit embed --image EMBED.EXE --build-file tkbuild.txt\n"
    "                    [--plugin tarnw32.api] [--doc DOCUMENT]\n"
    "                    [--switch -setup|-cetup|-sutup|-cutup] [--out-dir DIR]\n"
    "                    [--codepage N]\n"
    "Writes the installers tkbuild.txt's PATH1=, PATH2= and PATH3= ask for,\n"
    "into DIR (default: the current folder) under their file names: the same\n"
    "bytes as 'embed SWITCH DOCUMENT' (default -setup). The plug-in and the\n"
    "document are needed only for the installers that carry them. All the\n"
    "installers are written, or (on a failure) none; an installer that would\n"
    "replace one of the inputs is refused. Values the builder cuts are named.\n"
    "The document's name is stored, and the installers' names read, in code\n"
    "page N; a name outside ASCII needs --codepage.\n";

const char kExamineHelp[] =
    "usage: pubkit inspect FILE|IMAGE.iso [--json] [--codepage N]\n"
    "For a packaged setup: the settings trailer, the regions of the file, every\n"
    "PACK.BOX member with its size and CRC (each checked), and the plan its\n"
    "SETUP.INI describes. For an embed installer: where its trailer was found\n"
    "and every field. A damaged file gives one line saying why, and exit 1; so\n"
    "does a PACK.BOX member setup will not have (damaged, never written by the\n"
    "unzip library, a name Windows cannot take), named. --json prints the same\n"
    "as one JSON object. With --codepage the names and texts are shown in UTF-8,\n"
    "read in code page N, and judged as Windows judges them there. For a disc\n"
    "image: its label, every file, AUTORUN.INF, the names readers without\n"
    "Joliet see otherwise, the package inside with its plan, and what\n"
    "'pubkit check' finds on the image.\n";

const char kUnpackHelp[] =
    "usage: pubkit unpack FILE -o DIR [--members] [--overwrite] [--codepage N]\n"
    "A packaged setup gives DIR/setup.exe (the bare program, a package builder\n"
    "again), METER.DLL, DUNZIP32.DLL, PACK.BOX and a SETUP.INI with the\n"
    "trailer's DEFAULTDIR=, PUBNAME=, R1= and R2=; --members also expands\n"
    "PACK.BOX into DIR/pack as DUNZIP32.DLL would. An embed installer gives\n"
    "DIR/embed.exe, the document, the plug-in and a tkbuild.txt. Says whether\n"
    "'pubkit pack' or 'pubkit embed' makes the same bytes again from them, and\n"
    "how. A file whose parts cannot be found gives one line and exit 1, and\n"
    "nothing is written; a damaged part is named, exit 1, after the rest.\n"
    "A DIR that holds a file unpack would write is refused unless --overwrite\n"
    "is given; DIR/pack must be new. All parts are written, or none. Names\n"
    "outside ASCII (members, the document) are written in UTF-8 from code\n"
    "page N, which --codepage names; without it such a member is refused.\n";

const char kCheckHelp[] =
    "usage: pubkit check FOLDER|SETUP.EXE|IMAGE.iso [--medium FOLDER] [--json]\n"
    "                   [--codepage N]\n"
    "Reads a book's sources (the folder that becomes PACK.BOX, with its\n"
    "SETUP.INI) or a finished package and reports, one line each with the\n"
    "SETUP.INI line, what setup and embed would refuse or do wrongly: files\n"
    "the script needs that PACK.BOX will not carry, values too long for the\n"
    "programs' fields, titles they refuse, a background picture setup would\n"
    "refuse, installer paths not on the setup medium; unknown keys are\n"
    "warnings. --medium names the folder that becomes the setup medium\n"
    "(tarnwsi.ini, the picture, files the script takes from it); a package's\n"
    "own folder is taken by default. SETUP.INI's encoding and line ends are\n"
    "checked and the lines read as keys counted. Exit 1 on errors, 0 with\n"
    "warnings only. --json prints the findings as one JSON object.\n"
    "--codepage N reads names and SETUP.INI in code page N (1252 without it),\n"
    "as Windows set to it reads them, and shows them in UTF-8. A disc image is\n"
    "checked with its own files as the medium, and for the names and size a\n"
    "CD-ROM holds, SETUP.EXE and AUTORUN.INF at its root.\n";

const char kDiscHelp[] =
    "usage: pubkit disc --book FOLDER --medium FOLDER -o IMAGE.iso\n"
    "                   [--doc DOCUMENT --plugin tarnw32.api\n"
    "                    [--build-file tkbuild.txt | --message TEXT --delete YES|NO]]\n"
    "                   [--programs DIR] [--setup F] [--meter F] [--dunzip F] [--embed F]\n"
    "                   [--label LABEL] [--icon FILE] [--date YYYY-MM-DD[THH:MM:SS]]\n"
    "                   [--cert CERT.pem --key KEY.pem [--name TEXT]] [--force]\n"
    "                   [--codepage N]\n"
    "From a book's sources to a CD-ROM image in one run. --book is the folder\n"
    "that becomes PACK.BOX (its SETUP.INI gives the keys and the script);\n"
    "--medium the folder that becomes the disc (tarnwsi.ini, readme1st.txt,\n"
    "the picture, the viewer's installer). With --doc and --plugin, EMBED.EXE\n"
    "is made first, as 'pubkit embed' makes it (settings from tkbuild.txt, or\n"
    "MSG= and DEL= from --message and --delete, into DEFAULTDIR\\EMBED.EXE).\n"
    "The sources are checked as 'pubkit check' does (errors stop it unless\n"
    "--force), packed into SETUP.EXE, signed when --cert is given, and\n"
    "mastered with the disc folder's files, the book's icon and an\n"
    "AUTORUN.INF that starts SETUP.EXE into an ISO 9660 level 2 image with\n"
    "Joliet names. A name the disc cannot hold as it is (over 64 characters\n"
    "for Joliet or 31 for ISO 9660, characters Windows refuses, folders over\n"
    "7 deep, two names that differ only in case) is an error, never cut.\n"
    "The programs come from PREFIX/share/tarnwick beside PREFIX/bin/pubkit,\n"
    "or --programs DIR, or each by its option. The label is 1-16 capitals,\n"
    "digits or underscores (default: from FOLDERTITLE= or PUBNAME=). Every\n"
    "time on the image is --date (default SOURCE_DATE_EPOCH, else 1980-01-01),\n"
    "so the same sources give the same bytes anywhere. The image is written\n"
    "whole or not at all; inside --medium it is left out, inside --book refused.\n";

const char kSignHelp[] =
    "usage: pubkit sign --cert CERT.pem --key KEY.pem [--name TEXT] FILE -o OUTPUT\n"
    "Signs FILE through osslsigncode (Debian package osslsigncode). The signature\n"
    "goes behind the file's data; setup and embed find their trailer in front of\n"
    "it. The signed file is inspected afterwards: it must read as before. The\n"
    "output is written whole or not at all, and may not be FILE itself.\n";

int WantsHelp(int argc, char **argv)
{
    for (int i = 2; i < argc; ++i) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0)
            return 1;
    }
    return 0;
}

// Options of the form --name VALUE; returns 0 on an unknown option.
int Options(int argc, char **argv, const char **names, const char **values, int count,
            const char **positional)
{
    for (int i = 2; i < argc; ++i) {
        int known = 0;
        for (int k = 0; k < count && !known; ++k) {
            if (strcmp(argv[i], names[k]) == 0 && i + 1 < argc) {
                values[k] = argv[++i];
                known = 1;
            }
        }
        if (!known && argv[i][0] != '-' && positional != NULL && *positional == NULL) {
            *positional = argv[i];
            known = 1;
        }
        if (!known) {
            fprintf(stderr, "pubkit: unknown or incomplete option: %s\n", argv[i]);
            return 0;
        }
    }
    return 1;
}

int Failed(const char *command, const char *why)
{
    if (why == NULL)
        return 0;
    fprintf(stderr, "pubkit %s: %s\n", command, why);
    return 1;
}

int Missing(const char *usage, const char **values, int count)
{
    for (int k = 0; k < count; ++k) {
        if (values[k] == NULL) {
            fputs(usage, stderr);
            return 1;
        }
    }
    return 0;
}

// --codepage N (or --codepage=N), wherever it stands: taken out of argv,
// the book's code page chosen. Returns 0, or the exit status of a refusal.
int CodePageOption(int *argc, char **argv)
{
    const char *chosen = NULL;
    for (int i = 2; i < *argc;) {
        const char *value = NULL;
        int words = 1;
        if (strncmp(argv[i], "--codepage=", 11) == 0)
            value = argv[i] + 11;
        else if (strcmp(argv[i], "--codepage") == 0 && i + 1 < *argc)
            value = argv[i + 1], words = 2;
        else if (strcmp(argv[i], "--codepage") == 0)
            value = "";
        if (value == NULL) {
            ++i;
            continue;
        }
        if (chosen != NULL && strcmp(chosen, value) != 0) {
            fprintf(stderr, "pubkit %s: --codepage given twice, as %s and as %s\n", argv[1],
                    chosen, value);
            return 2;
        }
        chosen = value;
        for (int j = i; j + words < *argc; ++j)
            argv[j] = argv[j + words];
        *argc -= words;
    }
    const char *why = chosen != NULL ? ChooseBookCodePage(chosen) : NULL;
    if (why == NULL)
        return 0;
    fprintf(stderr, "pubkit %s: --codepage: %s\n", argv[1], why);
    return 2;
}

// Takes the flag out of argv; returns whether it was there.
int Flag(int *argc, char **argv, const char *flag)
{
    for (int i = 2; i < *argc; ++i) {
        if (strcmp(argv[i], flag) == 0) {
            for (int j = i; j + 1 < *argc; ++j)
                argv[j] = argv[j + 1];
            --*argc;
            return 1;
        }
    }
    return 0;
}

void Summary(FILE *out, const char *what, const CheckCounts &c)
{
    fprintf(out, "%s: %d error%s, %d warning%s", what, c.errors, c.errors == 1 ? "" : "s",
            c.warnings, c.warnings == 1 ? "" : "s");
    if (c.scriptLines != 0)
        fprintf(out, "; SETUP.INI: %d line%s, %d read as keys", c.scriptLines,
                c.scriptLines == 1 ? "" : "s", c.keyLines);
    fputc('\n', out);
}

int Pack(int argc, char **argv)
{
    int force = Flag(&argc, argv, "--force");
    const char *names[] = {"--setup", "--meter", "--dunzip", "--pack", "--ini", "-o", "--medium"};
    const char *v[7] = {};
    if (!Options(argc, argv, names, v, 7, NULL) || Missing(kPackHelp, v, 6))
        return 2;
    // Refused before the check reads a byte: the check would find nothing
    // wrong with the inputs this run is about to destroy.
    const char *inputs[] = {v[0], v[1], v[2], v[3], v[4]};
    if (Failed("pack", RefuseInputAsOutput(v[5], inputs, 5)))
        return 1;
    CheckCounts counts = {0, 0, 0, 0, NULL};
    PackCheckInputs check = {v[0], v[1], v[2], v[3], v[4], v[6], v[5]};
    const char *why = CheckPackInputs(&check, stderr, &counts);
    if (why != NULL)
        return Failed("pack", why);
    if (counts.errors != 0 || counts.warnings != 0)
        Summary(stderr, "pubkit pack: the check", counts);
    if (counts.errors != 0 && !force)
        return Failed("pack", "the sources have errors: nothing written (--force packs them all the same)");
    PackInputs in = {v[0], v[1], v[2], v[3], v[4], v[5], 0};
    PackWritten written;
    if (Failed("pack", PackSetup(&in, &written)))
        return 1;
    if (written.leftOut != 0)
        fprintf(stderr, "pubkit pack: note: %s lies in the --pack folder: left out of PACK.BOX\n",
                v[5]);
    printf("%s: %llu bytes, sha256 %s\n", v[5], (unsigned long long)written.size,
           written.sha256);
    return 0;
}

int Unpack(int argc, char **argv)
{
    int members = Flag(&argc, argv, "--members");
    int overwrite = Flag(&argc, argv, "--overwrite");
    const char *names[] = {"-o"};
    const char *v[1] = {};
    const char *file = NULL;
    if (!Options(argc, argv, names, v, 1, &file) || file == NULL || v[0] == NULL) {
        fputs(kUnpackHelp, stderr);
        return 2;
    }
    UnpackRequest r = {file, v[0], members, stdout, overwrite};
    const char *why = UnpackFile(&r);
    if (why == NULL)
        return 0;
    fprintf(stderr, "pubkit unpack: %s: %s\n", file, why);
    return 1;
}

int Check(int argc, char **argv)
{
    int json = Flag(&argc, argv, "--json");
    const char *names[] = {"--medium"};
    const char *v[1] = {};
    const char *path = NULL;
    if (!Options(argc, argv, names, v, 1, &path) || path == NULL) {
        fputs(kCheckHelp, stderr);
        return 2;
    }
    if (IsDiscImage(path)) {
        if (v[0] != NULL) {
            Failed("check", "a disc image is its own medium: --medium is for folders and packages");
            return 2;
        }
        return CheckDiscImage(path, stdout, json);
    }
    std::vector<CheckFinding> findings;
    CheckCounts counts = {0, 0, 0, 0, json ? &findings : NULL};
    const char *why = CheckPath(path, v[0], stdout, &counts);
    if (json) {
        CheckJson(stdout, path, why, &counts, findings);
        return why != NULL || counts.errors != 0;
    }
    if (why != NULL) {
        fprintf(stderr, "pubkit check: %s: %s\n", path, why);
        return 1;
    }
    Summary(stdout, path, counts);
    return counts.errors != 0;
}

int Zip(int argc, char **argv)
{
    const char *names[] = {"-o"};
    const char *v[1] = {};
    const char *folder = NULL;
    if (!Options(argc, argv, names, v, 1, &folder) || Missing(kZipHelp, v, 1) || folder == NULL)
        return 2;
    ZipWriteStats stats;
    int leftOut = 0;
    if (Failed("zip", ZipFolder(folder, v[0], &stats, &leftOut)))
        return 1;
    if (leftOut != 0)
        fprintf(stderr, "pubkit zip: note: %s lies in the folder: left out of the archive\n", v[0]);
    printf("%s: %u files, %llu bytes in, %llu bytes out\n", v[0], stats.members,
           (unsigned long long)stats.bytesIn, (unsigned long long)stats.bytesOut);
    return 0;
}

int Embed(int argc, char **argv)
{
    const char *names[] = {"--image", "--build-file", "--plugin", "--doc", "--switch", "--out-dir"};
    const char *v[6] = {};
    if (!Options(argc, argv, names, v, 6, NULL) || Missing(kEmbedHelp, v, 2))
        return 2;
    const char *sw = v[4] != NULL ? v[4] : "-setup";
    EmbedInputs in = {v[0], v[1], v[2], v[3], 0, 0, v[5] != NULL ? v[5] : ".", stdout, stderr};
    if (strcmp(sw, "-cetup") == 0 || strcmp(sw, "-cutup") == 0)
        in.pluginInstaller = 1;
    if (strcmp(sw, "-sutup") == 0 || strcmp(sw, "-cutup") == 0)
        in.updateInstaller = 1;
    if (strcmp(sw, "-setup") != 0 && !in.pluginInstaller && !in.updateInstaller) {
        fputs(kEmbedHelp, stderr);
        return 2;
    }
    return Failed("embed", BuildEmbedInstallers(&in));
}

// Examines file, the report going to out. Returns the exit status.
int ExamineFile(const char *file, FILE *out, int json)
{
    ExamineSource src;
    if (OpenExamineFile(file, &src) != NULL) {
        fprintf(stderr, "pubkit inspect: %s: cannot read: %s\n", file, strerror(errno));
        return 1;
    }
    // The report is the file's own text: in the book's code page, shown in
    // UTF-8 when one was named.
    char *text = NULL;
    size_t length = 0;
    FILE *report = json || BookCodePage() == 0 ? out : open_memstream(&text, &length);
    if (report == NULL) {
        CloseExamineFile(&src);
        fprintf(stderr, "pubkit inspect: %s: out of memory\n", file);
        return 1;
    }
    const char *why = json ? ExaminePackageJson(&src, file, report) : ExaminePackage(&src, report);
    CloseExamineFile(&src);
    if (report != out) {
        fclose(report);
        fputs(ShownText(std::string(text, length)).c_str(), out);
        free(text);
    }
    if (why == NULL)
        return 0;
    fprintf(stderr, "pubkit inspect: %s: %s\n", file, ShownText(why).c_str());
    return 1;
}

int Examine(int argc, char **argv)
{
    int json = Flag(&argc, argv, "--json");
    const char *file = NULL;
    if (!Options(argc, argv, NULL, NULL, 0, &file) || file == NULL) {
        fputs(kExamineHelp, stderr);
        return 2;
    }
    if (IsDiscImage(file))
        return InspectDiscImage(file, stdout, json);
    return ExamineFile(file, stdout, json);
}

int Sign(int argc, char **argv)
{
    const char *names[] = {"--cert", "--key", "--name", "-o"};
    const char *v[4] = {};
    const char *file = NULL;
    if (!Options(argc, argv, names, v, 4, &file) || file == NULL || v[0] == NULL ||
        v[1] == NULL || v[3] == NULL) {
        fputs(kSignHelp, stderr);
        return 2;
    }
    const char *why = SignFile(v[0], v[1], v[2], file, v[3]);
    if (Failed("sign", why))
        return 1;
    printf("%s: signed\n", v[3]);
    return 0;
}

int Disc(int argc, char **argv)
{
    int force = Flag(&argc, argv, "--force");
    const char *names[] = {"--book", "--medium", "-o", "--doc", "--plugin", "--build-file",
                           "--message", "--delete", "--programs", "--setup", "--meter", "--dunzip",
                           "--embed", "--label", "--icon", "--cert", "--key", "--name", "--date"};
    const int count = (int)(sizeof names / sizeof names[0]);
    const char *v[count] = {};
    if (!Options(argc, argv, names, v, count, NULL) || Missing(kDiscHelp, v, 3))
        return 2;
    DiscRequest r = {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8], v[9], v[10], v[11],
                     v[12], v[13], v[14], v[15], v[16], v[17], v[18], force, stdout, stderr};
    return Failed("disc", MakeDisc(&r));
}

}  // namespace

int main(int argc, char **argv)
{
    PrepareBookCodePages();
    struct Command {
        const char *name;
        int (*run)(int, char **);
        const char *help;
        int codePage;  // takes --codepage
    } commands[] = {
        {"pack", Pack, kPackHelp, 1},
        {"zip", Zip, kZipHelp, 1},
        {"embed", Embed, kEmbedHelp, 1},
        {"inspect", Examine, kExamineHelp, 1},
        {"unpack", Unpack, kUnpackHelp, 1},
        {"check", Check, kCheckHelp, 1},
        {"sign", Sign, kSignHelp, 0},
        {"disc", Disc, kDiscHelp, 1},
    };
    if (argc < 2 || strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0) {
        fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    if (strcmp(argv[1], "--version") == 0) {
        printf("pubkit %s\n", TARNWICK_VERSION_TEXT);
        return 0;
    }
    for (const Command &c : commands) {
        if (strcmp(argv[1], c.name) == 0) {
            if (WantsHelp(argc, argv)) {
                fputs(c.help, stdout);
                return 0;
            }
            int refused = c.codePage ? CodePageOption(&argc, argv) : 0;
            if (refused != 0)
                return refused;
            CatchInterrupts();
            int rc = c.run(argc, argv);
            // An interrupted command ends as interrupted commands do, its
            // outputs taken back.
            ExitIfInterrupted();
            return rc;
        }
    }
    fprintf(stderr, "pubkit: unknown command %s\n%s", argv[1], kUsage);
    return 2;
}
