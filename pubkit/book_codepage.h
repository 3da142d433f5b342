// The code page a book is for: the ANSI code page of the Windows its
// readers run. PACK.BOX's member names, SETUP.INI and the trailers' texts
// are bytes in that code page, while the publisher's folder names its files
// in UTF-8. The toolkit converts the names on the way in, never storing
// bytes that Windows would read as other characters; reads texts back in
// UTF-8 for the terminal; and judges names and scripts as Windows on that
// system does: characters through the code-page layer (common/codepage.h),
// so a trail byte is no separator or letter, and case through Unicode, as
// the file system compares names. Native only (glibc's iconv).
#ifndef TARNWICK_PUBKIT_BOOK_CODEPAGE_H
#define TARNWICK_PUBKIT_BOOK_CODEPAGE_H

#include <stddef.h>
#include <stdint.h>

#include <string>

// The code pages a book can be for, as the option's help lists them:
// Windows' ANSI code pages.
extern const char kKnownCodePages[];

// Makes Unicode's case mapping the C library's (the character type of the
// C.UTF-8 locale), which the Windows name rules below read; call once at
// start, before any thread. Returns 0 when the system has no such locale:
// then only ASCII letters have case.
int PrepareBookCodePages(void);

// Chooses the book's code page from the text of a --codepage option (a
// number, "cp" in front allowed). Returns NULL, or why it cannot be used
// (unknown, or no conversion on this system).
const char *ChooseBookCodePage(const char *text);

// The same by number; 0 chooses none: names must then be ASCII and texts
// are judged in code page 1252, as the toolkit always judged them.
const char *UseBookCodePage(unsigned codePage);

// The code page chosen; 0 when none was.
unsigned BookCodePage(void);

// The code page texts are judged in: the chosen one, or 1252.
unsigned JudgedCodePage(void);

// A name from the publisher's folder (UTF-8, '/' between parts) as the book
// stores it. Returns NULL, or a one-line reason naming it: no UTF-8, a
// character the code page lacks (or one iconv would store as another, as
// it stores the yen sign as "\" in code page 932), or any character outside
// ASCII when no code page was chosen.
const char *NameForBook(const std::string &utf8, std::string *stored);

// The character at text (left bytes, at least 1) in the judged code page:
// its Unicode code point, 0 when the code page defines none; *size gets
// its bytes (a lead byte before a byte below 0x40 stands alone).
uint32_t BookChar(const char *text, size_t left, size_t *size);

// Book text in UTF-8, 1 when every character of it is one of the judged
// code page; 0 and utf8 untouched otherwise.
int BookTextToUtf8(const std::string &text, std::string *utf8);

// Book text for the terminal: in UTF-8 when a code page was chosen (a byte
// it does not define as \xNN), unchanged when none was, as before.
std::string ShownText(const std::string &text);

// A name for a message: as ShownText, but with no code page chosen every
// byte outside ASCII as \xNN, never bytes the terminal would garble.
std::string ShownName(const std::string &name);

// Text of this system (UTF-8) in the chosen code page, for a message that
// holds book text too and is shown through ShownText: a character the code
// page lacks becomes "?". Unchanged when none was chosen.
std::string BookTextOf(const std::string &native);

// The key under which Windows on that system finds a name: two names are
// one file exactly when their keys are equal (case compared through
// Unicode; bytes the code page does not define compared as they are).
std::string WindowsNameKey(const std::string &name);

// The name lower-cased as CharLowerA does it on that system: characters
// through Unicode, each kept when its lower case is none of the code page.
std::string LowerAsWindows(const std::string &name);

#endif
