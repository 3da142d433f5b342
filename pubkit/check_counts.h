// What a check found and how much: the counts every command that checks
// reports, and the findings themselves when a caller collects them (the
// JSON output, a disc's report). Native only.
#ifndef TARNWICK_PUBKIT_CHECK_COUNTS_H
#define TARNWICK_PUBKIT_CHECK_COUNTS_H

#include <string>
#include <vector>

struct CheckFinding {
    std::string file;
    int line;  // 0: the file as a whole
    int error;
    std::string text;
};

struct CheckCounts {
    int errors;    // what the programs would refuse or do wrongly
    int warnings;  // lines they ignore, and values they read otherwise than meant
    int scriptLines;  // SETUP.INI's lines as the programs read them (0: none read)
    int keyLines;     // those of them read as a key
    // When set, the findings are added here rather than printed.
    std::vector<CheckFinding> *collect;
};

#endif
