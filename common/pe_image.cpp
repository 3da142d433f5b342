#include "pe_image.h"

#include <string.h>

static uint32_t Le16(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8;
}

static uint32_t Le32(const unsigned char *p)
{
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}

const char *ReadPeFacts(const unsigned char *head, size_t headLen, int64_t fileSize, PeFacts *out)
{
    memset(out, 0, sizeof *out);
    if (headLen > kPeHeadBytes)
        headLen = kPeHeadBytes;
    if (headLen < 64 || head[0] != 'M' || head[1] != 'Z')
        return "not a Windows program (no MZ header)";
    uint32_t pe = Le32(head + 0x3C);
    if (pe > headLen - 24 || memcmp(head + pe, "PE\0\0", 4) != 0)
        return "not a Windows program (no PE header)";
    const unsigned char *fh = head + pe + 4;
    out->machine = (uint16_t)Le16(fh);
    uint32_t sections = Le16(fh + 2);
    uint32_t optSize = Le16(fh + 16);
    size_t opt = pe + 24;
    if (optSize < 2 || opt + optSize > headLen)
        return "PE optional header is cut short";
    uint32_t magic = Le16(head + opt);
    if (magic != 0x10B && magic != 0x20B)
        return "PE optional header has an unknown magic";
    out->pe32Plus = magic == 0x20B;
    // Data directories follow the fixed fields: 96 bytes in PE32, 112 in PE32+.
    size_t dirs = opt + (out->pe32Plus ? 112 : 96);
    if (opt + 70 > headLen || dirs > opt + optSize)
        return "PE optional header is cut short";
    out->subsystem = (uint16_t)Le16(head + opt + 68);
    out->checksumAt = (int64_t)opt + 64;
    uint32_t dirCount = Le32(head + dirs - 4);
    size_t table = opt + optSize;
    if (sections == 0 || sections > 96 || table + 40 * (size_t)sections > headLen)
        return "PE section table is cut short or empty";
    for (uint32_t i = 0; i < sections; ++i) {
        const unsigned char *s = head + table + 40 * i;
        int64_t end = (int64_t)Le32(s + 20) + (int64_t)Le32(s + 16);
        if (Le32(s + 16) != 0 && end > out->imageEnd)
            out->imageEnd = end;
    }
    if (out->imageEnd > fileSize)
        return "PE sections reach past the end of the file";
    // Entry 4, the certificate table, holds a file offset, not an address.
    if (dirCount > 4 && dirs + 5 * 8 <= opt + optSize) {
        out->certEntryAt = (int64_t)(dirs + 4 * 8);
        int64_t offset = Le32(head + dirs + 4 * 8);
        int64_t size = Le32(head + dirs + 4 * 8 + 4);
        if (offset != 0 || size != 0) {
            if (offset < out->imageEnd || size == 0 || offset + size > fileSize)
                return "PE certificate table lies outside the file's data";
            out->certOffset = offset;
            out->certSize = size;
        }
    }
    return NULL;
}

uint32_t PeChecksumAdd(uint32_t sum, const unsigned char *bytes, size_t n)
{
    for (size_t i = 0; i < n; i += 2) {
        sum += bytes[i] | (i + 1 < n ? (uint32_t)bytes[i + 1] << 8 : 0);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    return sum;
}

uint32_t PeChecksumEnd(uint32_t sum, uint64_t fileSize)
{
    sum = (sum & 0xFFFF) + (sum >> 16);
    return (uint32_t)((sum & 0xFFFF) + fileSize);
}

int64_t PeDataEnd(const PeFacts *facts, int64_t fileSize)
{
    return facts->certOffset != 0 ? facts->certOffset : fileSize;
}

int PeDataEnds(PeReadFn read, void *ctx, int64_t fileSize, int64_t ends[kPeMaxDataEnds])
{
    ends[0] = fileSize;
    unsigned char head[kPeHeadBytes];
    uint32_t want = fileSize < (int64_t)sizeof head ? (uint32_t)fileSize : (uint32_t)sizeof head;
    PeFacts pe;
    if (want == 0 || read(ctx, 0, head, want) != (int32_t)want ||
        ReadPeFacts(head, want, fileSize, &pe) != NULL || pe.certOffset == 0)
        return 1;
    ends[0] = pe.certOffset;
    unsigned char before[kPeMaxDataEnds - 1];
    int64_t from = pe.certOffset - (int64_t)sizeof before;
    if (from < 0 || read(ctx, from, before, sizeof before) != (int32_t)sizeof before)
        return 1;
    int count = 1;
    while (count < kPeMaxDataEnds && before[sizeof before - count] == 0) {
        ends[count] = pe.certOffset - count;
        ++count;
    }
    return count;
}
