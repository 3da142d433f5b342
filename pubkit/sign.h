// Signing a package or installer through osslsigncode (Authenticode): the
// signature goes behind the file's data, where setup and embed find their
// trailer in front of it. Native only (the publisher's toolkit).
#ifndef TARNWICK_PUBKIT_SIGN_H
#define TARNWICK_PUBKIT_SIGN_H

// Signs file into output (name: the description, NULL for none); the
// signed file must still read as the package or installer it was. The
// output is written whole or not at all. Returns NULL, or a reason.
const char *SignFile(const char *cert, const char *key, const char *name, const char *file,
                     const char *output);

#endif
