// Fuzzes the installation script reader and the paths built from its values:
// no line may make them read or write outside their buffers.
#include <string.h>

#include <string>

#include "common/text.h"
#include "setup/install/script_values.h"
#include "setup/install/viewer_names.h"
#include "fuzz_code_page.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    UseFuzzCodePage(size);
    std::string text((const char *)data, size);
    ScriptValues values = {};
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        line = line.substr(0, 255).c_str();
        const char *opValue = nullptr;
        ScriptFileOp op = ReadScriptLine(line.c_str(), &values, &opValue);
        char a[256], b[256];
        if (op == kScriptCopyFile)
            CopyFilePaths('D', values.mainFile, opValue, a, b, sizeof a);
        if (op == kScriptMoveFile)
            MoveFilePaths(values.iconFile, opValue, a, b, sizeof a);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    char dir[256], name[64], shown[256], cmd[256];
    SplitViewerPath(values.installer, dir, sizeof dir, name, sizeof name);
    char result[256] = {};
    memcpy(result, data, size < sizeof result ? size : sizeof result);
    ShownPathOf(result, sizeof result, shown, sizeof shown);
    char drive[16] = {};
    memcpy(drive, values.minst, strnlen(values.minst, 11));
    DriveRootOf(drive, sizeof drive);
    EmbedCommandLine(values.wriFile, drive, cmd, sizeof cmd);
    InstallerNeedsSearch(values.installer);

    // A cut to any capacity keeps a start of the text that splits no
    // character.
    for (size_t cap = 1; cap <= 8; ++cap) {
        char cut[8];
        size_t kept = CopyText(cut, cap, values.folderTitle);
        if (kept >= cap || strncmp(cut, values.folderTitle, kept) != 0 ||
            WholeChars(values.folderTitle, kept) != kept)
            __builtin_trap();
    }
    return 0;
}
