// The installation script SETUP.INI as the installation sequence reads it:
// its settings, its file operations, and the paths and command lines built
// from them. Portable: no Windows API.
#ifndef TARNWICK_SCRIPT_VALUES_H
#define TARNWICK_SCRIPT_VALUES_H

#include <stddef.h>
#include <stdio.h>

// The script's settings; each value is the rest of its line, untrimmed, cut
// to its field; the last line with a key counts; an absent key is empty.
struct ScriptValues {
    char iconFile[256];     // ICONFILE=     icon of the main item
    char folderTitle[256];  // Foldertitle=  program group, in double quotes
    char iconTitle[256];    // IconTitle=    main item's title, in double quotes
    char installer[256];    // Installer=    the viewer's installer
    char mainFile[256];     // MAINFILE=     main item's target
    char installer16[256];  // INSTLR16=     kept, unused
    char plugin1[64];       // PLUGIN1=      plug-in moved into PLUG_INS
    char plugin2[64];       // PLUGIN2=      a second one
    char minst[12];         // MINST=        "2..." asks for CD-ROM install mode
    char acro4Only[16];     // ACRO4ONLY=    what to do about viewer version 3
    char autoLaunch[16];    // AUTOLAUNCH    open the main item at the end
    char romResident[12];   // ROMRESIDENT=  "NO..." / "YES..."
    char wriFile[256];      // wrifile=
    char setup2[256];       // Setup2=
    char s2Title[256];      // S2title=
    char setup3[256];       // Setup3=
    char s3Title[256];      // S3title=
    char wriTitle[256];     // writitle=
};

// File operations, carried out as their lines are read.
enum ScriptFileOp {
    kScriptNoOp,
    kScriptCopyDir,   // COPYDIR=  creates one directory, copies nothing
    kScriptMakeDir,   // MAKEDIR=
    kScriptCopyFile,  // COPYFILE=
    kScriptMoveFile,  // MOVEFILE=
};

// Reads the script (opened in binary: common/text_lines reads it as text,
// as every program that reads SETUP.INI does) and gives each line to each:
// at most 255 characters at a time (a longer line arrives in pieces), cut
// at its first CR or LF, with the file's line it comes from (from 1).
typedef void (*ScriptLineFn)(const char *line, long lineNumber, void *context);
void ReadScriptLines(FILE *script, ScriptLineFn each, void *context);

// Tests one line (already cut at its line end) against every key. Settings
// are stored into values; for a file operation its kind is returned and
// *opValue points into line at its value.
ScriptFileOp ReadScriptLine(const char *line, ScriptValues *values, const char **opValue);

// Longest COPYFILE= / MOVEFILE= value setup carries out; a longer one is
// skipped, since a cut path names some other file.
enum { kScriptFileValueMax = 99 };

// The setting a line sets, as ReadScriptLine takes it: the key as the
// script's table writes it, the value (AUTOLAUNCH's starts one character
// behind its key, which has no equals sign) and the size of the field it is
// kept in, terminator included.
struct ScriptSetting {
    const char *key;
    const char *value;  // points into the line
    size_t fieldSize;
};

// Returns 1 and fills *out when line (cut at its line end) sets a setting;
// 0 for a file operation or a line that matches no key.
int ScriptLineSetting(const char *line, ScriptSetting *out);

// Every key the installation sequence reads, settings and file operations,
// by index from 0; NULL past the last.
const char *ScriptKeyName(size_t index);

// The "YES" / "NO" tests: first 3 or 2 characters, any case.
int ValueSaysYes(const char *value);
int ValueSaysNo(const char *value);

// What to do when viewer version 3 is found, from ACRO4ONLY's length.
enum Acro4Action { kAcro4Ask, kAcro4Nothing, kAcro4Install };
Acro4Action Acro4OnlyAction(const char *acro4Only);

// The drive root from the source drive text: ":\" appended when it is
// shorter than 3 characters, cut after 3 when longer. In place, within cap.
void DriveRootOf(char *drive, size_t cap);

// "\"<curDir>\EMBED.EXE\" -cdrom <root>", cut to cap. Returns 0 when it had to
// be cut, which would start the wrong program.
int EmbedCommandLine(const char *curDir, const char *root, char *out, size_t cap);

// Appends the silent run's switches for embed to its command line: " /S",
// and " /LOG=\"<logPath>\"" when there is a log. Returns 0 when the line
// would not fit cap.
int SilentEmbedSwitches(const char *logPath, char *cmdLine, size_t cap);

// Source and target of COPYFILE=: "<driveLetter>:<value>" and
// "<destDir><value>". Return 0 when a path would not fit.
int CopyFilePaths(char driveLetter, const char *destDir, const char *value,
                  char *source, char *target, size_t cap);

// Source and target of MOVEFILE=: the file named by the value's last part,
// from the top of destDir into the subdirectory the value names.
int MoveFilePaths(const char *destDir, const char *value, char *source,
                  char *target, size_t cap);

#endif
