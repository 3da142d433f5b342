// Acrobat Reader 5.0's restriction to certified plug-ins, which keeps the
// Tarnwick plug-in from loading.
#ifndef TARNWICK_EMBED_TRUST_H
#define TARNWICK_EMBED_TRUST_H

// Lifts the restriction with the user's consent. Returns 0 when the user
// declined (the run ends); 1 when nothing was needed or the change was made;
// the system's error code when the key or value could not be changed.
long AdjustTrustPreference();

// 1 when the restriction is set (the value is present), as a silent
// delivery, which may not lift it, reports.
int TrustRestrictionSet();

#endif
