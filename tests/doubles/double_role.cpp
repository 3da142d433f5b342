#include "double_role.h"

#include <ctype.h>
#include <string.h>

namespace {

bool StartsWithNoCase(const char *name, const char *prefix)
{
    for (; *prefix != '\0'; ++name, ++prefix) {
        if (tolower((unsigned char)*name) != *prefix)
            return false;
    }
    return true;
}

// Lower-case name prefixes of each role but the recorder, which takes the rest.
struct RoleName {
    const char *prefix;
    DoubleRole role;
};
const RoleName kNames[] = {
    {"viewer", kRoleViewer},       {"acrord", kRoleViewer},       {"acrobat", kRoleViewer},
    {"acroex", kRoleViewer},       {"installer", kRoleInstaller}, {"vwinst", kRoleInstaller},
    {"acro4gig", kRoleInstaller},  {"progman", kRoleProgman},
};

}  // namespace

DoubleRole RoleForPath(const char *ownPath)
{
    const char *name = ownPath;
    for (const char *p = ownPath; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/' || *p == ':')
            name = p + 1;
    }
    for (const RoleName &n : kNames) {
        if (StartsWithNoCase(name, n.prefix))
            return n.role;
    }
    return kRoleRecorder;
}
