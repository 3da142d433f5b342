// embed's command line: which role the program plays and what it passes on.
// Portable: no Windows API; the caller lower-cases the text first.
#ifndef TARNWICK_EMBED_COMMAND_H
#define TARNWICK_EMBED_COMMAND_H

enum EmbedRole {
    kRoleDelivery,
    kRoleBuild,          // "-setup": the document installer only
    kRoleBuildPlugin,    // "-cetup": also the plug-in installer
    kRoleBuildUpdate,    // "-sutup": also the update installer
    kRoleBuildBoth,      // "-cutup": all three
    kRoleVersion,
    kRoleDeleter,
};

// Removes a leading double quote, then a trailing one, in place.
void StripCommandQuotes(char *text);

// Chooses the role of the (lower-cased, unquoted) text and sets *argument
// to what the role is given. The switch and its separator are skipped, but
// never past the end of a text that holds only the switch.
EmbedRole ChooseRole(const char *text, const char **argument);

// The program is the relay copy SelfDelete makes: its file is TEMP.EXE
// (any case) in tempDir, the temporary directory as the system gives it.
// Runs of backslashes between the two count as one, so the doubled
// backslash of the relay's own command line matches as well.
int IsRelayCopy(const char *ownPath, const char *tempDir);

#endif
