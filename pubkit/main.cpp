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

#include "check.h"
#include "examine.h"
#include "package.h"
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
    "pubkit COMMAND --help tells more.\n";

const char kPackHelp[] =
    "usage: pubkit pack --setup SETUP.EXE --meter METER.DLL --dunzip DUNZIP32.DLL\n"
    "                   --pack PACK.BOX|FOLDER --ini SETUP.INI -o OUTPUT\n"
    "                   [--medium FOLDER] [--force]\n"
    "Appends METER.DLL, DUNZIP32.DLL and PACK.BOX to a copy of the bare setup\n"
    "program and writes the settings trailer from SETUP.INI's DEFAULTDIR=,\n"
    "PUBNAME=, R1= and R2=: the same bytes as the bare setup's own builder.\n"
    "A folder given as --pack is zipped first, as 'pubkit zip' does.\n"
    "The inputs are checked first as 'pubkit check' does; errors stop the\n"
    "packing unless --force is given.\n";

const char kZipHelp[] =
    "usage: pubkit zip FOLDER -o PACK.BOX\n"
    "Every file under FOLDER, sorted by path, with fixed times and attributes,\n"
    "deflated (or stored when that is smaller): the same folder always gives\n"
    "the same bytes. Names Windows cannot take are refused.\n";

const char kEmbedHelp[] =
    "usage: pubkit embed --image EMBED.EXE --build-file tkbuild.txt\n"
    "                    [--plugin tarnw32.api] [--doc DOCUMENT]\n"
    "                    [--switch -setup|-cetup|-sutup|-cutup] [--out-dir DIR]\n"
    "Writes the installers tkbuild.txt's PATH1=, PATH2= and PATH3= ask for,\n"
    "into DIR (default: the current folder) under their file names: the same\n"
    "bytes as 'embed SWITCH DOCUMENT' (default -setup). The plug-in and the\n"
    "document are needed only for the installers that carry them.\n";

const char kExamineHelp[] =
    "usage: pubkit inspect FILE\n"
    "For a packaged setup: the settings trailer, the regions of the file, every\n"
    "PACK.BOX member with its size and CRC (each checked), and the plan its\n"
    "SETUP.INI describes. For an embed installer: where its trailer was found\n"
    "and every field. A damaged file gives one line saying why, and exit 1.\n";

const char kUnpackHelp[] =
    "usage: pubkit unpack FILE -o DIR [--members]\n"
    "A packaged setup gives DIR/setup.exe (the bare program, a package builder\n"
    "again), METER.DLL, DUNZIP32.DLL, PACK.BOX and a SETUP.INI with the\n"
    "trailer's DEFAULTDIR=, PUBNAME=, R1= and R2=; --members also expands\n"
    "PACK.BOX into DIR/pack as DUNZIP32.DLL would. An embed installer gives\n"
    "DIR/embed.exe, the document, the plug-in and a tkbuild.txt. Says whether\n"
    "'pubkit pack' or 'pubkit embed' makes the same bytes again from them, and\n"
    "how. A file whose parts cannot be found gives one line and exit 1, and\n"
    "nothing is written; a damaged part is named, exit 1, after the rest.\n";

const char kCheckHelp[] =
    "usage: pubkit check FOLDER|SETUP.EXE [--medium FOLDER]\n"
    "Reads a book's sources (the folder that becomes PACK.BOX, with its\n"
    "SETUP.INI) or a finished package and reports, one line each with the\n"
    "SETUP.INI line, what setup and embed would refuse or do wrongly: files\n"
    "the script needs that PACK.BOX will not carry, values too long for the\n"
    "programs' fields, titles they refuse, a background picture setup would\n"
    "refuse, installer paths not on the setup medium; unknown keys are\n"
    "warnings. --medium names the folder that becomes the setup medium\n"
    "(tarnwsi.ini, the picture, files the script takes from it); a package's\n"
    "own folder is taken by default. Exit 1 on errors, 0 with warnings only.\n";

const char kSignHelp[] =
    "usage: pubkit sign --cert CERT.pem --key KEY.pem [--name TEXT] FILE -o OUTPUT\n"
    "Signs FILE through osslsigncode (Debian package osslsigncode). The signature\n"
    "goes behind the file's data; setup and embed find their trailer in front of\n"
    "it. The signed file is inspected afterwards: it must read as before.\n";

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
    fprintf(out, "%s: %d error%s, %d warning%s\n", what, c.errors, c.errors == 1 ? "" : "s",
            c.warnings, c.warnings == 1 ? "" : "s");
}

int Pack(int argc, char **argv)
{
    int force = Flag(&argc, argv, "--force");
    const char *names[] = {"--setup", "--meter", "--dunzip", "--pack", "--ini", "-o", "--medium"};
    const char *v[7] = {};
    if (!Options(argc, argv, names, v, 7, NULL) || Missing(kPackHelp, v, 6))
        return 2;
    CheckCounts counts = {0, 0};
    const char *why = CheckPackInputs(v[3], v[4], v[6], stderr, &counts);
    if (why != NULL)
        return Failed("pack", why);
    if (counts.errors != 0 || counts.warnings != 0)
        Summary(stderr, "pubkit pack: the check", counts);
    if (counts.errors != 0 && !force)
        return Failed("pack", "the sources have errors: nothing written (--force packs them all the same)");
    PackInputs in = {v[0], v[1], v[2], v[3], v[4], v[5]};
    return Failed("pack", PackSetup(&in));
}

int Unpack(int argc, char **argv)
{
    int members = Flag(&argc, argv, "--members");
    const char *names[] = {"-o"};
    const char *v[1] = {};
    const char *file = NULL;
    if (!Options(argc, argv, names, v, 1, &file) || file == NULL || v[0] == NULL) {
        fputs(kUnpackHelp, stderr);
        return 2;
    }
    UnpackRequest r = {file, v[0], members, stdout};
    const char *why = UnpackFile(&r);
    if (why == NULL)
        return 0;
    fprintf(stderr, "pubkit unpack: %s: %s\n", file, why);
    return 1;
}

int Check(int argc, char **argv)
{
    const char *names[] = {"--medium"};
    const char *v[1] = {};
    const char *path = NULL;
    if (!Options(argc, argv, names, v, 1, &path) || path == NULL) {
        fputs(kCheckHelp, stderr);
        return 2;
    }
    CheckCounts counts = {0, 0};
    const char *why = CheckPath(path, v[0], stdout, &counts);
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
    FILE *out = fopen(v[0], "w+b");
    if (out == NULL)
        return Failed("zip", "cannot write the output");
    ZipWriteStats stats;
    const char *why = WriteFolderZip(folder, out, &stats);
    if (fclose(out) != 0 && why == NULL)
        why = "write failed closing the output";
    if (why != NULL) {
        remove(v[0]);
        return Failed("zip", why);
    }
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
    EmbedInputs in = {v[0], v[1], v[2], v[3], 0, 0, v[5] != NULL ? v[5] : ".", stdout};
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
int ExamineFile(const char *file, FILE *out)
{
    ExamineSource src;
    if (OpenExamineFile(file, &src) != NULL) {
        fprintf(stderr, "pubkit inspect: %s: cannot read\n", file);
        return 1;
    }
    const char *why = ExaminePackage(&src, out);
    CloseExamineFile(&src);
    if (why == NULL)
        return 0;
    fprintf(stderr, "pubkit inspect: %s: %s\n", file, why);
    return 1;
}

int Examine(int argc, char **argv)
{
    const char *file = NULL;
    if (!Options(argc, argv, NULL, NULL, 0, &file) || file == NULL) {
        fputs(kExamineHelp, stderr);
        return 2;
    }
    return ExamineFile(file, stdout);
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
    remove(v[3]);  // osslsigncode will not replace an output
    const char *args[] = {"osslsigncode", "sign", "-certs", v[0], "-key", v[1],
                          "-n", v[2] != NULL ? v[2] : "", "-in", file, "-out", v[3], NULL};
    pid_t pid = fork();
    if (pid == 0) {
        int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0)
            dup2(quiet, 1);
        execvp(args[0], (char *const *)args);
        fprintf(stderr, "pubkit sign: cannot run osslsigncode (install the osslsigncode package)\n");
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        remove(v[3]);
        return Failed("sign", "osslsigncode failed; nothing was written");
    }
    // The signed file must still show its trailer, now in front of the table.
    FILE *quiet = fopen("/dev/null", "w");
    int rc = quiet != NULL ? ExamineFile(v[3], quiet) : 1;
    if (quiet != NULL)
        fclose(quiet);
    if (rc != 0) {
        remove(v[3]);
        return Failed("sign", "the signed file no longer reads as a package; removed");
    }
    printf("%s: signed\n", v[3]);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    struct Command {
        const char *name;
        int (*run)(int, char **);
        const char *help;
    } commands[] = {
        {"pack", Pack, kPackHelp},
        {"zip", Zip, kZipHelp},
        {"embed", Embed, kEmbedHelp},
        {"inspect", Examine, kExamineHelp},
        {"unpack", Unpack, kUnpackHelp},
        {"check", Check, kCheckHelp},
        {"sign", Sign, kSignHelp},
    };
    if (argc < 2 || strcmp(argv[1], "--help") == 0 || strcmp(argv[1], "-h") == 0) {
        fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    for (const Command &c : commands) {
        if (strcmp(argv[1], c.name) == 0) {
            if (WantsHelp(argc, argv)) {
                fputs(c.help, stdout);
                return 0;
            }
            return c.run(argc, argv);
        }
    }
    fprintf(stderr, "pubkit: unknown command %s\n%s", argv[1], kUsage);
    return 2;
}
