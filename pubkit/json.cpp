#include "json.h"

#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "book_codepage.h"
#include "examine.h"

namespace {

// One character as JSON: ASCII as it is (escaped where JSON wants it),
// any other as \uXXXX, beyond the first plane as a surrogate pair.
void JsonChar(FILE *out, uint32_t c)
{
    if (c == '"' || c == '\\')
        fprintf(out, "\\%c", (char)c);
    else if (c == '\n')
        fputs("\\n", out);
    else if (c == '\r')
        fputs("\\r", out);
    else if (c == '\t')
        fputs("\\t", out);
    else if (c >= 0x10000)
        fprintf(out, "\\u%04x\\u%04x", 0xD800 + ((c - 0x10000) >> 10), 0xDC00 + ((c - 0x10000) & 0x3FF));
    else if (c < 0x20 || c >= 0x7F)
        fprintf(out, "\\u%04x", c);
    else
        fputc((int)c, out);
}

// The UTF-8 character at p (left bytes): its size, 0 when it is none.
size_t Utf8At(const unsigned char *p, size_t left, uint32_t *c)
{
    size_t n = p[0] >= 0xC2 && p[0] <= 0xDF ? 2 : p[0] >= 0xE0 && p[0] <= 0xEF ? 3
               : p[0] >= 0xF0 && p[0] <= 0xF4 ? 4 : 0;
    if (n == 0 || n > left)
        return 0;
    uint32_t v = p[0] & (0x7F >> n);
    for (size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        v = v << 6 | (p[i] & 0x3F);
    }
    static const uint32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (v < kLeast[n] || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF))
        return 0;
    *c = v;
    return n;
}

}  // namespace

void JsonString(FILE *out, const char *text, size_t n)
{
    fputc('"', out);
    for (size_t i = 0; i < n;) {
        size_t size = 1;
        uint32_t c = BookCodePage() != 0 ? BookChar(text + i, n - i, &size) : 0;
        if (c != 0) {
            JsonChar(out, c);
        } else {
            for (size_t b = 0; b < size; ++b)
                JsonChar(out, (unsigned char)text[i + b]);
        }
        i += size;
    }
    fputc('"', out);
}

void JsonNative(FILE *out, const char *text)
{
    if (text == NULL) {
        fputs("null", out);
        return;
    }
    size_t n = strlen(text);
    fputc('"', out);
    for (size_t i = 0; i < n;) {
        uint32_t c = (unsigned char)text[i];
        size_t size = c >= 0x80 ? Utf8At((const unsigned char *)text + i, n - i, &c) : 1;
        if (size == 0) {
            c = (unsigned char)text[i];
            size = 1;
        }
        JsonChar(out, c);
        i += size;
    }
    fputc('"', out);
}

void JsonText(FILE *out, const char *text)
{
    if (text == NULL)
        fputs("null", out);
    else
        JsonString(out, text, strlen(text));
}

void CheckJson(FILE *out, const char *path, const char *why, const CheckCounts *counts,
               const std::vector<CheckFinding> &findings)
{
    fputs("{\"path\": ", out);
    JsonNative(out, path);
    fputs(", \"failed\": ", out);
    JsonNative(out, why);
    fprintf(out, ", \"errors\": %d, \"warnings\": %d", counts->errors, counts->warnings);
    fprintf(out, ", \"setupIni\": {\"lines\": %d, \"keyLines\": %d}", counts->scriptLines,
            counts->keyLines);
    fputs(", \"findings\": [", out);
    for (size_t i = 0; i < findings.size(); ++i) {
        const CheckFinding &f = findings[i];
        fputs(i == 0 ? "\n  {\"file\": " : ",\n  {\"file\": ", out);
        JsonNative(out, f.file.c_str());
        fprintf(out, ", \"line\": %d, \"severity\": \"%s\", \"text\": ", f.line,
                f.error ? "error" : "warning");
        // Shown as check prints it: the book's text already in UTF-8 when
        // its code page was named.
        JsonNative(out, f.text.c_str());
        fputc('}', out);
    }
    fputs(findings.empty() ? "]}\n" : "\n]}\n", out);
}

namespace {

void Region(FILE *out, int *first, const char *name, int64_t from, int64_t to)
{
    fprintf(out, "%s\n    {\"name\": \"%s\", \"from\": %lld, \"to\": %lld}", *first ? "" : ",",
            name, (long long)from, (long long)to);
    *first = 0;
}

void Rgb(FILE *out, const char *name, const int32_t *rgb)
{
    fprintf(out, ", \"%s\": [%d, %d, %d]", name, rgb[0], rgb[1], rgb[2]);
}

// The plan's lines as DescribePlan writes them, without their indent.
void Plan(FILE *out, const std::string &script)
{
    char *text = NULL;
    size_t len = 0;
    FILE *mem = open_memstream(&text, &len);
    if (mem == NULL) {
        fputs("[]", out);
        return;
    }
    DescribePlan(script, mem);
    fclose(mem);
    std::string all(text, len);
    free(text);
    fputc('[', out);
    int first = 1;
    size_t at = 0;
    while (at < all.size()) {
        size_t nl = all.find('\n', at);
        std::string line = all.substr(at, nl == std::string::npos ? std::string::npos : nl - at);
        at = nl == std::string::npos ? all.size() : nl + 1;
        if (line.compare(0, 2, "  ") != 0 && line.find(':') + 1 == line.size())
            continue;  // the heading
        size_t start = line.find_first_not_of(' ');
        fputs(first ? "\n    " : ",\n    ", out);
        first = 0;
        std::string step = start == std::string::npos ? "" : line.substr(start);
        JsonString(out, step.c_str(), step.size());
    }
    fputs(first ? "]" : "\n  ]", out);
}

}  // namespace

const char *ExaminePackageJson(const ExamineSource *src, const char *path, FILE *out)
{
    FileLayout l;
    const char *why = ReadFileLayout(src, &l);
    fputs("{\n  \"file\": ", out);
    JsonNative(out, path);
    fprintf(out, ",\n  \"size\": %lld", (long long)src->size);
    if (why != NULL) {
        fputs(",\n  \"damage\": ", out);
        JsonText(out, why);
        fputs("\n}\n", out);
        return why;
    }
    fprintf(out, ",\n  \"program\": {\"format\": \"%s\", \"machine\": \"%s\", \"subsystem\": \"%s\"}",
            l.pe.pe32Plus ? "PE32+" : "PE32",
            l.pe.machine == 0x14C ? "i386" : l.pe.machine == 0x8664 ? "x86_64" : "unknown",
            l.pe.subsystem == 2 ? "GUI" : l.pe.subsystem == 3 ? "console" : "other");
    if (l.pe.certOffset != 0)
        fprintf(out, ",\n  \"signature\": {\"offset\": %lld, \"size\": %lld}",
                (long long)l.pe.certOffset, (long long)l.pe.certSize);
    else
        fputs(",\n  \"signature\": null", out);
    fputs(",\n  \"regions\": [", out);
    int first = 1;
    Region(out, &first, "program image", 0, l.imageEnd);
    if (l.kind == kFilePackage) {
        const PayloadSettings &s = l.package;
        Region(out, &first, "METER.DLL", l.imageEnd, s.dunzipOffset);
        Region(out, &first, "DUNZIP32.DLL", s.dunzipOffset, s.packOffset);
        Region(out, &first, "PACK.BOX", s.packOffset, l.trailerAt);
    } else {
        const EmbedFields &f = l.embed;
        if (f.docOffset != 0)
            Region(out, &first, "document", f.docOffset, f.plugOffset != 0 ? f.plugOffset : l.trailerAt);
        if (f.plugOffset != 0)
            Region(out, &first, "plug-in", f.plugOffset, l.trailerAt);
    }
    Region(out, &first, "trailer", l.trailerAt, l.dataEnd);
    if (l.pe.certOffset != 0)
        Region(out, &first, "signature", l.pe.certOffset, l.pe.certOffset + l.pe.certSize);
    fputs("\n  ]", out);

    if (l.kind != kFilePackage) {
        const EmbedFields &f = l.embed;
        fprintf(out, ",\n  \"kind\": \"embed installer\", \"installer\": \"%s\", "
                     "\"trailerDistance\": %d",
                f.docOffset != 0 ? "document" : f.plugOffset != 0 ? "plug-in" : "update",
                l.embedDistance);
        fprintf(out, ",\n  \"fields\": {\"documentOffset\": %d, \"documentName\": ", f.docOffset);
        JsonText(out, f.docName);
        fprintf(out, ", \"pluginOffset\": %d, \"pluginName\": ", f.plugOffset);
        JsonText(out, f.plugName);
        fputs(", \"closingMessage\": ", out);
        JsonText(out, f.closingMessage);
        fputs(", \"selfDelete\": ", out);
        JsonText(out, f.selfDelete);
        fputs("},\n  \"damage\": null\n}\n", out);
        return NULL;
    }

    const PayloadSettings &s = l.package;
    fputs(",\n  \"kind\": \"packaged setup\",\n  \"settings\": {\"defaultFolder\": ", out);
    JsonText(out, s.destDir);
    fputs(", \"publication\": ", out);
    JsonText(out, s.pubName);
    Rgb(out, "dialogColour", s.dialogRgb);
    fprintf(out, ", \"installMode\": %d, \"barBrushes\": [%d, %d]", s.installMode,
            s.copyBarShade, s.expandBarShade);
    Rgb(out, "backdropColour", s.backdropRgb);
    fputc('}', out);
    unsigned char mz[2];
    if (s.packOffset - s.dunzipOffset < 2 ||
        src->read(src->ctx, (uint64_t)s.dunzipOffset, mz, 2) != 2 || mz[0] != 'M' || mz[1] != 'Z')
        why = "the DUNZIP32.DLL region is not a Windows library";
    PackView view;
    if (why == NULL)
        why = ReadPackBox(src, s.packOffset, l.trailerAt, s.destDir, &view);
    if (why == NULL) {
        fprintf(out, ",\n  \"packBox\": {\"entries\": %u, \"files\": %u, \"folders\": %u, "
                     "\"members\": [", view.stats.members, view.stats.files, view.stats.dirs);
        for (size_t i = 0; i < view.members.size(); ++i) {
            const PackMember &m = view.members[i];
            fputs(i == 0 ? "\n    {\"name\": " : ",\n    {\"name\": ", out);
            JsonText(out, m.name.c_str());
            fprintf(out, ", \"size\": %llu, \"crc\": \"%08x\", \"written\": %s, \"fault\": ",
                    (unsigned long long)m.size, m.crc, m.fault.empty() ? "true" : "false");
            JsonText(out, m.fault.empty() ? NULL : m.fault.c_str());
            fputc('}', out);
        }
        fputs(view.members.empty() ? "]}" : "\n  ]}", out);
        fputs(",\n  \"plan\": ", out);
        Plan(out, view.script);
        why = FirstMemberFault(&view);
    }
    fputs(",\n  \"damage\": ", out);
    JsonText(out, why);
    fputs("\n}\n", out);
    return why;
}
