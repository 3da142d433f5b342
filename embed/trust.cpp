#include "trust.h"

#include <windows.h>

#include "output.h"

static const char kViewerKey[] = "Software\\Adobe\\Acrobat Reader\\5.0\\AdobeViewer";
static const char kTrustedMode[] = "TrustedMode";

static const char kQuestion[] =
    "Your Acrobat preferences are set to restrict loading of non-Adobe plug-ins.\n"
    "To view the content being installed you must change this preference to permit loading "
    "of third-party plug-ins such as the Tarnwick Publisher client.\n"
    "Click OK to have this installer make the change automatically or Cancel to make the "
    "change manually from within Acrobat.";
static const char kDeclined[] =
    "Your Acrobat preferences have not been changed, so you will not be able to view this "
    "content.\n"
    "To view this content you must invoke Acrobat's Edit>Preferences>Options menu and "
    "uncheck the box \"Certified Plug-ins Only\".";
static const char kChanged[] =
    "Your Acrobat preferences have been changed. You can reverse the change via Acrobat's "
    "Edit>Preferences>Options menu.";

int TrustRestrictionSet()
{
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kViewerKey, 0, KEY_QUERY_VALUE, &h) != ERROR_SUCCESS)
        return 0;
    LONG present = RegQueryValueExA(h, kTrustedMode, NULL, NULL, NULL, NULL);
    RegCloseKey(h);
    return present == ERROR_SUCCESS;
}

long AdjustTrustPreference()
{
    HKEY h;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kViewerKey, 0, KEY_QUERY_VALUE, &h) == ERROR_SUCCESS) {
        LONG present = RegQueryValueExA(h, kTrustedMode, NULL, NULL, NULL, NULL);
        RegCloseKey(h);
        if (present != ERROR_SUCCESS)
            return 1;
        // Only OK is consent: a box that could not be shown (0) is none.
        if (Tell(kQuestion, "Tarnwick", MB_OKCANCEL | MB_ICONWARNING, IDCANCEL) != IDOK) {
            Tell(kDeclined, "Tarnwick", MB_OK, IDOK);
            return 0;
        }
    }
    LONG error = RegOpenKeyExA(HKEY_CURRENT_USER, kViewerKey, 0, KEY_SET_VALUE, &h);
    if (error != ERROR_SUCCESS)
        return error;
    error = RegDeleteValueA(h, kTrustedMode);
    RegCloseKey(h);
    if (error != ERROR_SUCCESS)
        return error;
    Tell(kChanged, "Tarnwick", MB_OK, IDOK);
    return 1;
}
