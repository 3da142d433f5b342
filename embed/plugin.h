// Installing the carried plug-in into the viewer's plug-ins directory.
#ifndef TARNWICK_EMBED_PLUGIN_H
#define TARNWICK_EMBED_PLUGIN_H

// Where users can fetch the plug-in when the installer cannot place it.
#define PLUGIN_DOWNLOAD_URL "http://www.tarnwick.com/download/tarnw32.api"

// Reads the App Paths of Acrobat and Acrobat Reader into gEmbed: the viewer
// to start and the plug-in targets. Returns 1 when either was found.
int FindAcrobatPaths();

// Closes a running viewer with the user's consent and copies the plug-in
// out of the own file. Returns 1 when written, 0 after telling the user of
// a failure, 2 when the user kept the viewer running (nothing written).
int InstallPlugin();

#endif
