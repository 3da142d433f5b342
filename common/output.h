// The one way out for every text a program tells its user. setup and embed
// each define it in their own output file; the code both of them carry (the
// viewer's control) calls it too, so no text can slip past a silent run.
#ifndef TARNWICK_OUTPUT_H
#define TARNWICK_OUTPUT_H

// Shows text in an owner-less message box with caption (NULL: the system's
// "Error") and the MessageBox flags, and returns the button pressed. In a
// silent run nothing is shown: the caption and text go to the run's log and
// silentAnswer is returned as if the user had given it, so nothing ever
// waits for a click no one can give.
int Tell(const char *text, const char *caption, unsigned flags, int silentAnswer);

#endif
