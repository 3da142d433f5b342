// The normal run of an installer and the checks around it.
#ifndef TARNWICK_EMBED_DELIVERY_H
#define TARNWICK_EMBED_DELIVERY_H

// Sets gEmbed.ownDir from gEmbed.ownPath.
void ComputeOwnDir();

// 1 when the system can run the installer, 0 on Win32s.
int CheckWindowsVersion();

// Writes the document, installs the plug-in, lifts the trust restriction,
// opens the document, shows the closing message and deletes the installer
// when its trailer asks for it. The argument may hold the switches of a
// silent delivery, which neither asks, nor changes the trust preference,
// nor opens the document. Returns the silent delivery's exit status: 1
// when the document or the plug-in could not be written, else 0.
int RunDelivery(const char *argument);

#endif
