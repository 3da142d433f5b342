#include "zip_fixture.h"

#include <stdlib.h>
#include <string.h>
#include <zlib.h>

#include <memory>

namespace {

void Put16(std::string &s, uint32_t v)
{
    s += (char)(v & 0xFF);
    s += (char)(v >> 8 & 0xFF);
}

void Put32(std::string &s, uint32_t v)
{
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

std::string Deflate(const std::string &data)
{
    z_stream zs = {};
    deflateInit2(&zs, 6, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&zs, data.size()) + 16, '\0');
    zs.next_in = (Bytef *)data.data();
    zs.avail_in = (uInt)data.size();
    zs.next_out = (Bytef *)&out[0];
    zs.avail_out = (uInt)out.size();
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

struct MemFile {
    std::string name;
    std::string data;
};

int32_t Read(void *ctx, uint64_t offset, void *buf, uint32_t n)
{
    MemFs *fs = (MemFs *)ctx;
    if (offset > fs->archive.size())
        return 0;
    uint64_t avail = fs->archive.size() - offset;
    uint32_t got = avail < n ? (uint32_t)avail : n;
    memcpy(buf, fs->archive.data() + offset, got);
    return (int32_t)got;
}

void *Create(void *ctx, const char *path)
{
    MemFs *fs = (MemFs *)ctx;
    if (fs->refuseCreate.count(path))
        return nullptr;
    ++fs->openFiles;
    return new MemFile{path, ""};
}

int Write(void *ctx, void *file, const void *buf, uint32_t n)
{
    MemFs *fs = (MemFs *)ctx;
    if (n > fs->largestWrite)
        fs->largestWrite = n;
    if (fs->written + n > fs->writeBudget)
        return 0;
    fs->written += n;
    ((MemFile *)file)->data.append((const char *)buf, n);
    return 1;
}

int Close(void *ctx, void *file)
{
    MemFs *fs = (MemFs *)ctx;
    std::unique_ptr<MemFile> f((MemFile *)file);
    --fs->openFiles;
    fs->files[f->name] = f->data;
    return 1;
}

void Remove(void *ctx, const char *path)
{
    ((MemFs *)ctx)->files.erase(path);
}

void MakeDir(void *ctx, const char *path)
{
    ((MemFs *)ctx)->dirs.insert(path);
}

int Progress(void *ctx, uint32_t index, uint32_t count, uint32_t)
{
    MemFs *fs = (MemFs *)ctx;
    fs->progressIndex.push_back(index);
    fs->progressCount = count;
    return (int)fs->progressIndex.size() - 1 != fs->stopAtCall;
}

}  // namespace

std::string MakeZip(const std::vector<FixtureMember> &members)
{
    std::string out, central;
    for (const FixtureMember &m : members) {
        std::string packed = m.method == 8 ? Deflate(m.data) : m.data;
        uint32_t crc = (uint32_t)crc32(0, (const Bytef *)m.data.data(), (uInt)m.data.size());
        crc ^= m.crcXor;
        uint32_t size = (uint32_t)(m.data.size() + m.sizeDelta);
        uint32_t packedSize = (uint32_t)(packed.size() + m.packedDelta);
        uint32_t flags = m.encrypted ? 1 : 0;
        uint32_t offset = (uint32_t)out.size();

        Put32(out, 0x04034b50);
        Put16(out, 20);
        Put16(out, flags);
        Put16(out, m.method);
        Put32(out, 0);
        Put32(out, crc);
        Put32(out, packedSize);
        Put32(out, size);
        Put16(out, (uint32_t)m.name.size());
        Put16(out, 0);
        out += m.name;
        out += packed;

        Put32(central, 0x02014b50);
        Put16(central, 20);
        Put16(central, 20);
        Put16(central, flags);
        Put16(central, m.method);
        Put32(central, 0);
        Put32(central, crc);
        Put32(central, packedSize);
        Put32(central, size);
        Put16(central, (uint32_t)m.name.size());
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0);
        Put32(central, offset);
        central += m.name;
    }
    uint32_t cdOffset = (uint32_t)out.size();
    out += central;
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, (uint32_t)members.size());
    Put16(out, (uint32_t)members.size());
    Put32(out, (uint32_t)central.size());
    Put32(out, cdOffset);
    Put16(out, 0);
    return out;
}

void Put64(std::string &s, uint64_t v)
{
    Put32(s, (uint32_t)v);
    Put32(s, (uint32_t)(v >> 32));
}

std::string MakeZip64(const std::vector<FixtureMember> &members)
{
    std::string out, central;
    for (const FixtureMember &m : members) {
        std::string packed = m.method == 8 ? Deflate(m.data) : m.data;
        uint32_t crc = (uint32_t)crc32(0, (const Bytef *)m.data.data(), (uInt)m.data.size());
        uint64_t offset = out.size();
        Put32(out, 0x04034b50);
        Put16(out, 45);
        Put16(out, 0);
        Put16(out, m.method);
        Put32(out, 0);
        Put32(out, crc);
        Put32(out, 0xFFFFFFFFu);
        Put32(out, 0xFFFFFFFFu);
        Put16(out, (uint32_t)m.name.size());
        Put16(out, 20);
        out += m.name;
        Put16(out, 1);
        Put16(out, 16);
        Put64(out, m.data.size());
        Put64(out, packed.size());
        out += packed;

        // Another extra field first, as tools write time stamps there.
        std::string extra;
        Put16(extra, 0x5455);
        Put16(extra, 5);
        extra += std::string(5, '\x01');
        Put16(extra, 1);
        Put16(extra, 24);
        Put64(extra, m.data.size());
        Put64(extra, packed.size());
        Put64(extra, offset);
        Put32(central, 0x02014b50);
        Put16(central, 45);
        Put16(central, 45);
        Put16(central, 0);
        Put16(central, m.method);
        Put32(central, 0);
        Put32(central, crc);
        Put32(central, 0xFFFFFFFFu);
        Put32(central, 0xFFFFFFFFu);
        Put16(central, (uint32_t)m.name.size());
        Put16(central, (uint32_t)extra.size());
        Put16(central, 0);
        Put16(central, 0);
        Put16(central, 0);
        Put32(central, 0);
        Put32(central, 0xFFFFFFFFu);
        central += m.name + extra;
    }
    uint64_t cdOffset = out.size();
    out += central;
    uint64_t recordPos = out.size();
    Put32(out, 0x06064b50);
    Put64(out, 44);
    Put16(out, 45);
    Put16(out, 45);
    Put32(out, 0);
    Put32(out, 0);
    Put64(out, members.size());
    Put64(out, members.size());
    Put64(out, central.size());
    Put64(out, cdOffset);
    Put32(out, 0x07064b50);
    Put32(out, 0);
    Put64(out, recordPos);
    Put32(out, 1);
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, 0xFFFF);
    Put16(out, 0xFFFF);
    Put32(out, 0xFFFFFFFFu);
    Put32(out, 0xFFFFFFFFu);
    Put16(out, 0);
    return out;
}

ZipIo MemIo(MemFs *fs)
{
    ZipIo io = {fs, Read, Create, Write, Close, Remove, MakeDir, Progress};
    return io;
}

int ExpandInMemory(MemFs *fs, ZipStats *stats)
{
    std::unique_ptr<ZipWork> work(new ZipWork);
    ZipIo io = MemIo(fs);
    return ZipExpandAll(&io, fs->archive.size(), work.get(), stats);
}
