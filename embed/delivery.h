// The normal run of an installer and the checks around it.
#ifndef TARNWICK_EMBED_DELIVERY_H
#define TARNWICK_EMBED_DELIVERY_H

// Sets gEmbed.ownDir from gEmbed.ownPath.
void ComputeOwnDir();

// 1 when the system can run the installer, 0 on Win32s.
int CheckWindowsVersion();

// Writes the document, installs the plug-in, lifts the trust restriction,
// opens the document, shows the closing message and deletes the installer
// when its trailer asks for it.
void RunDelivery(const char *argument);

#endif
