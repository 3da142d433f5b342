#include "sign.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "examine.h"
#include "output.h"

namespace {

// Whether the file reads as a package or installer.
int ReadsWhole(const char *path)
{
    ExamineSource src;
    if (OpenExamineFile(path, &src) != NULL)
        return 0;
    FILE *quiet = fopen("/dev/null", "w");
    int whole = quiet != NULL && ExaminePackage(&src, quiet) == NULL;
    if (quiet != NULL)
        fclose(quiet);
    CloseExamineFile(&src);
    return whole;
}

}  // namespace

const char *SignFile(const char *cert, const char *key, const char *name, const char *file,
                     const char *output)
{
    const char *inputs[] = {file, cert, key};
    const char *why = RefuseInputAsOutput(output, inputs, 3);
    if (why != NULL)
        return why;
    // osslsigncode writes into a folder of our own beside the output (it
    // will not replace a file), and the result replaces the output whole.
    char scratch[PATH_MAX];
    if ((why = ScratchFolder(output, scratch, sizeof scratch)) != NULL)
        return why;
    std::string made = std::string(scratch) + "/signed";
    int slot = TakeBackOnInterrupt(made.c_str(), 0);
    const char *args[] = {"osslsigncode", "sign", "-certs", cert, "-key", key,
                          "-n", name != NULL ? name : "", "-in", file, "-out", made.c_str(), NULL};
    pid_t pid = fork();
    if (pid == 0) {
        int quiet = open("/dev/null", O_WRONLY);
        if (quiet >= 0)
            dup2(quiet, 1);
        execvp(args[0], (char *const *)args);
        fprintf(stderr, "pubkit sign: cannot run osslsigncode (install the osslsigncode package): "
                "%s\n", strerror(errno));
        _exit(127);
    }
    int status = 0;
    pid_t got = -1;
    while (pid > 0 && (got = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
        if (OutputInterrupted())
            kill(pid, SIGTERM);
    }
    if (OutputInterrupted())
        why = OutputInterruptedText();
    else if (pid < 0 || got != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        why = "osslsigncode failed; nothing was written";
    // The signed file must still show its trailer, now in front of the table.
    if (why == NULL && !ReadsWhole(made.c_str()))
        why = "the signed file no longer reads as a package; nothing was written";
    if (why == NULL && rename(made.c_str(), output) != 0)
        why = SystemFailure("cannot write", output);
    unlink(made.c_str());
    ReleaseTakeBack(slot);
    rmdir(scratch);
    ScratchFolderDone(scratch);
    return why;
}
