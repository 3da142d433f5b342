// Making new installers from a bare program: a document installer, and on
// request a plug-in installer and an update installer.
#ifndef TARNWICK_EMBED_BUILDER_H
#define TARNWICK_EMBED_BUILDER_H

// Builds the installers tkbuild.txt names; argument holds the document path.
void BuildInstallers(const char *argument);

// Reads ownDir\tkbuild.txt into gEmbed.build. Returns 1, or 0 after telling
// the user.
int ReadBuildFile();

#endif
