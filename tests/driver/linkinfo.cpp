// linkinfo: reads shell links back through the shell's own link object and
// prints, for each one named on the command line, one line:
//
//   NAME -> TARGET (icon: PATH,INDEX)     or     NAME -> TARGET (no icon)
//
// NAME is the link's file name, TARGET the path the link starts. A link
// that cannot be loaded prints "NAME: cannot be loaded" and makes the exit
// code 1. Console program: the scenarios and the demo read its output.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <stdio.h>
#include <string.h>

static int Show(const char *path)
{
    // By characters: in a double-byte code page a name's trail byte can be
    // a backslash (表 is 95 5C).
    const char *name = path;
    for (const char *p = path; *p != '\0'; p = CharNextA(p)) {
        if (*p == '\\')
            name = p + 1;
    }
    IShellLinkA *link = NULL;
    IPersistFile *file = NULL;
    int ok = 0;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   (void **)&link)) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file))) {
        WCHAR wide[MAX_PATH];
        if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide, MAX_PATH) > 0 &&
            SUCCEEDED(file->Load(wide, STGM_READ))) {
            char target[MAX_PATH] = "", icon[MAX_PATH] = "";
            int index = 0;
            link->GetPath(target, sizeof target, NULL, SLGP_RAWPATH);
            link->GetIconLocation(icon, sizeof icon, &index);
            if (icon[0] != '\0')
                printf("%s -> %s (icon: %s,%d)\n", name, target, icon, index);
            else
                printf("%s -> %s (no icon)\n", name, target);
            ok = 1;
        }
    }
    if (!ok)
        printf("%s: cannot be loaded\n", name);
    if (file != NULL)
        file->Release();
    if (link != NULL)
        link->Release();
    return ok;
}

int main(int argc, char **argv)
{
    CoInitialize(NULL);
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        if (!Show(argv[i]))
            status = 1;
    }
    fflush(stdout);
    CoUninitialize();
    return status;
}
