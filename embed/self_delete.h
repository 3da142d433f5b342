// Removing a finished installer: a copy of the program in the temporary
// directory, started as deleter, waits until the installer's file is free.
#ifndef TARNWICK_EMBED_SELF_DELETE_H
#define TARNWICK_EMBED_SELF_DELETE_H

// Starts the relay copy with the own path. Returns 1 when it was started,
// 0 when the copy could not be made; silent either way.
int SelfDelete();

// The deleter role: retries deleting path once a second, up to 1000 times.
void RunDeleter(const char *path);

#endif
