#include "script_values.h"

#include <stdio.h>
#include <string.h>

#include "common/text.h"
#include "common/text_lines.h"
#include "setup/payload/package_keys.h"
#include "setup/shell/run_mode.h"

namespace {

#define FIELD(name) offsetof(ScriptValues, name), sizeof(((ScriptValues *)0)->name)

const KeyField kFields[] = {
    {"ICONFILE=", FIELD(iconFile)},
    {"Foldertitle=", FIELD(folderTitle)},
    {"IconTitle=", FIELD(iconTitle)},
    {"Installer=", FIELD(installer)},
    {"MAINFILE=", FIELD(mainFile)},
    {"INSTLR16=", FIELD(installer16)},
    {"PLUGIN1=", FIELD(plugin1)},
    {"PLUGIN2=", FIELD(plugin2)},
    {"MINST=", FIELD(minst)},
    {"ACRO4ONLY=", FIELD(acro4Only)},
    {"ROMRESIDENT=", FIELD(romResident)},
    {"wrifile=", FIELD(wriFile)},
    {"Setup2=", FIELD(setup2)},
    {"S2title=", FIELD(s2Title)},
    {"Setup3=", FIELD(setup3)},
    {"S3title=", FIELD(s3Title)},
    {"writitle=", FIELD(wriTitle)},
};

#undef FIELD

const struct {
    const char *key;
    ScriptFileOp op;
} kFileOps[] = {
    {"COPYDIR=", kScriptCopyDir},
    {"MAKEDIR=", kScriptMakeDir},
    {"COPYFILE=", kScriptCopyFile},
    {"MOVEFILE=", kScriptMoveFile},
};

// AUTOLAUNCH is matched without its equals sign; its value starts one
// character further on, if the line goes that far.
const KeyField kAutoLaunch = {"AUTOLAUNCH", offsetof(ScriptValues, autoLaunch),
                              sizeof(((ScriptValues *)0)->autoLaunch)};

// The setting line sets and where its value starts; NULL for a file
// operation or a line that matches no key.
const KeyField *SettingOf(const char *line, const char **value)
{
    for (const auto &fileOp : kFileOps) {
        if (MatchScriptKey(line, fileOp.key) != NULL)
            return NULL;
    }
    *value = MatchScriptKey(line, kAutoLaunch.key);
    if (*value != NULL) {
        if (**value != '\0')
            ++*value;
        return &kAutoLaunch;
    }
    for (const KeyField &field : kFields) {
        if ((*value = MatchScriptKey(line, field.key)) != NULL)
            return &field;
    }
    return NULL;
}

}  // namespace

ScriptFileOp ReadScriptLine(const char *line, ScriptValues *values, const char **opValue)
{
    for (const auto &fileOp : kFileOps) {
        const char *value = MatchScriptKey(line, fileOp.key);
        if (value != NULL) {
            *opValue = value;
            return fileOp.op;
        }
    }
    const char *value = NULL;
    const KeyField *field = SettingOf(line, &value);
    if (field != NULL)
        CopyText((char *)values + field->offset, field->size, value);
    return kScriptNoOp;
}

int ScriptLineSetting(const char *line, ScriptSetting *out)
{
    const char *value = NULL;
    const KeyField *field = SettingOf(line, &value);
    if (field == NULL)
        return 0;
    out->key = field->key;
    out->value = value;
    out->fieldSize = field->size;
    return 1;
}

const char *ScriptKeyName(size_t index)
{
    const size_t fields = sizeof kFields / sizeof kFields[0];
    const size_t ops = sizeof kFileOps / sizeof kFileOps[0];
    if (index < fields)
        return kFields[index].key;
    if (index == fields)
        return kAutoLaunch.key;
    return index - fields - 1 < ops ? kFileOps[index - fields - 1].key : NULL;
}

int ValueSaysYes(const char *value)
{
    return StartsWithNoCase(value, "YES");
}

int ValueSaysNo(const char *value)
{
    return StartsWithNoCase(value, "NO");
}

Acro4Action Acro4OnlyAction(const char *acro4Only)
{
    size_t length = strlen(acro4Only);
    if (length > 2)
        return kAcro4Install;
    return length == 2 ? kAcro4Nothing : kAcro4Ask;
}

void DriveRootOf(char *drive, size_t cap)
{
    size_t length = strlen(drive);
    if (length < 3)
        AppendText(drive, cap, ":\\");
    else if (length > 3)
        drive[3] = '\0';
}

int EmbedCommandLine(const char *curDir, const char *root, char *out, size_t cap)
{
    // Quoted: unquoted, a blank in the directory would have the system try
    // the cut-off name ("C:\PROGRAM.EXE") first. Embed reads only its
    // arguments, which stay "-cdrom <root>".
    CopyText(out, cap, "\"");
    AppendText(out, cap, curDir);
    AppendText(out, cap, "\\EMBED.EXE\"");
    AppendText(out, cap, " -cdrom ");
    size_t need = strlen(curDir) + strlen("\"\\EMBED.EXE\" -cdrom ") + strlen(root);
    AppendText(out, cap, root);
    return need < cap;
}

static int Join(char *out, size_t cap, const char *a, const char *b)
{
    CopyText(out, cap, a);
    AppendText(out, cap, b);
    return strlen(a) + strlen(b) < cap;
}

int CopyFilePaths(char driveLetter, const char *destDir, const char *value,
                  char *source, char *target, size_t cap)
{
    char drive[3] = {driveLetter, ':', '\0'};
    int fits = Join(source, cap, drive, value);
    return Join(target, cap, destDir, value) && fits;
}

int MoveFilePaths(const char *destDir, const char *value, char *source,
                  char *target, size_t cap)
{
    int slash = LastBackslash(value);
    const char *name = slash >= 0 ? value + slash : value;
    // At a drive root destDir brings its own backslash.
    if (EndsWithBackslash(destDir)) {
        if (*name == '\\')
            ++name;
        if (*value == '\\')
            ++value;
    }
    int fits = Join(source, cap, destDir, name);
    return Join(target, cap, destDir, value) && fits;
}

int SilentEmbedSwitches(const char *logPath, char *cmdLine, size_t cap)
{
    size_t length = strlen(cmdLine);
    int written = logPath[0] != '\0'
                      ? snprintf(cmdLine + length, cap - length, " /S /LOG=\"%s\"", logPath)
                      : snprintf(cmdLine + length, cap - length, " /S");
    if (written < 0 || (size_t)written >= cap - length) {
        cmdLine[length] = '\0';
        return 0;
    }
    return 1;
}

void ReadScriptLines(FILE *script, ScriptLineFn each, void *context)
{
    TextLines lines;
    BeginTextLines(&lines, script);
    char line[kTextPieceSize];
    while (NextTextPiece(&lines, line, sizeof line)) {
        StripLineEnd(line);
        each(line, lines.line, context);
    }
}
