#include "check_findings.h"

#include <stdarg.h>

#include <algorithm>

#include "book_codepage.h"

typedef CheckFinding Finding;

void Add(Sink *s, int error, const std::string &file, int line, const std::string &text)
{
    s->findings.push_back({file, line, error, text});
    ++(error ? s->counts->errors : s->counts->warnings);
}

void Say(Sink *s, int error, const std::string &file, int line, const char *fmt, ...)
{
    char text[1024];
    va_list args;
    va_start(args, fmt);
    vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    Add(s, error, file, line, ShownText(text));
}

void Flush(Sink *s)
{
    std::vector<std::string> files;
    for (const Finding &f : s->findings) {
        if (std::find(files.begin(), files.end(), f.file) == files.end())
            files.push_back(f.file);
    }
    std::stable_sort(s->findings.begin(), s->findings.end(), [&](const Finding &a, const Finding &b) {
        size_t fa = std::find(files.begin(), files.end(), a.file) - files.begin();
        size_t fb = std::find(files.begin(), files.end(), b.file) - files.begin();
        unsigned la = a.line > 0 ? (unsigned)a.line : ~0u, lb = b.line > 0 ? (unsigned)b.line : ~0u;
        return fa != fb ? fa < fb : la < lb;
    });
    for (const Finding &f : s->findings) {
        if (s->counts->collect != NULL)
            s->counts->collect->push_back(f);
        else if (f.line > 0)
            fprintf(s->out, "%s:%d: %s: %s\n", f.file.c_str(), f.line,
                    f.error ? "error" : "warning", f.text.c_str());
        else
            fprintf(s->out, "%s: %s: %s\n", f.file.c_str(), f.error ? "error" : "warning",
                    f.text.c_str());
    }
    s->findings.clear();
}
